#include "CKuvoraDoc.h"

#include <QCoreApplication>

#include "CDbLookup.h"
#include "CHistoryTable.h"
#include "CSFCard.h"
#include "CSettingsStore.h"
#include "CSuica.h"
#include "CardTypes.h"
#include "CodeNaming.h"
#include "HistoryCsv.h"
#include "HistoryExport.h"
#include "HistorySender.h"
#include "MessageSink.h"
#include "SpokenText.h"
#include "StoredHistory.h"
#include "felica.h"

#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <cstring>

namespace {

constexpr int kMsgNoCard = 1101;
constexpr int kMsgNoSocket = 300;
// Japanese as the CLI's JSON records them; shown through ShownText.
const char* const kConnectFailed = QT_TRANSLATE_NOOP("Strings", "サーバーへ接続失敗");
const char* const kCannotSave = QT_TRANSLATE_NOOP("Strings", "保存ファイルを作成できません。");
const char* const kSending = QT_TRANSLATE_NOOP("Strings", "履歴情報を送信しています...");

// printf's "%0*X" of an int (taken as unsigned, as printf does), without
// printf: a card's rows take some forty of them each.
QString hexText(int digits, long long value) {
    static const char kDigits[] = "0123456789ABCDEF";
    auto v = static_cast<unsigned int>(value);
    char buffer[16];
    char* p = buffer + sizeof buffer;
    do {
        *--p = kDigits[v & 0xF];
        v >>= 4;
    } while (v != 0);
    while (p > buffer && buffer + sizeof buffer - p < digits) *--p = '0';
    return QString::fromLatin1(p, buffer + sizeof buffer - p);
}

// The bytes `byte(i)` gives for i below `count` (at most 16), two hex digits each.
template <typename Byte>
QString bytesHex(int count, Byte byte) {
    static const char kDigits[] = "0123456789ABCDEF";
    char buffer[32];
    count = std::clamp(count, 0, 16);
    for (int i = 0; i < count; ++i) {
        const auto b = static_cast<unsigned int>(byte(i));
        buffer[2 * i] = kDigits[(b >> 4) & 0xF];
        buffer[2 * i + 1] = kDigits[b & 0xF];
    }
    return QString::fromLatin1(buffer, 2 * count);
}

// printf's "%*d".
QString decimalText(int width, int value) { return QString::number(value).rightJustified(width); }

QString fromLibraryText(const char* buffer) {
    return QString::fromUtf8(buffer, static_cast<qsizetype>(strnlen(buffer, 256)));
}

}  // namespace

CKuvoraDoc::CKuvoraDoc(SpeechEngineFactory speechEngine) : m_Speaker(std::move(speechEngine)) {
    const settings::ReadTogether readSettings;
    m_nMode = settings::Mode();
    m_bTcpIpSend = settings::TcpIpSend() ? 1 : 0;
    m_strServerAddress = settings::ServerAddress();
    m_nServerPort = settings::ServerPort();
    m_bAlwaysHistoryRead = settings::AlwaysHistoryRead() ? 1 : 0;
}

CKuvoraDoc::~CKuvoraDoc() = default;

bool CKuvoraDoc::IsValidMode(int mode) {
    return (mode >= 0 && mode <= 11) || (mode >= 128 && mode <= 132);
}

bool CKuvoraDoc::OnNewDocument() {
    char buffer[256] = {};
    get_version_information(buffer);
    m_strLibraryVersion = fromLibraryText(buffer);
    std::memset(buffer, 0, sizeof buffer);
    get_copyright_information(buffer);
    m_strLibraryCopyright = fromLibraryText(buffer);
    m_strCardTypeName.clear();
    m_strCardNumber.clear();
    m_strIDm.clear();
    m_strMakeDate.clear();
    for (auto& row : m_GateLog)
        for (auto& cell : row) cell.clear();
    m_History.Clear();
    m_nIssuerKind = -1;
    m_strBrand.clear();
    m_bStoredHistory = false;
    m_nCardRows = kInitialRows;
    m_nRows = kInitialRows;
    return true;
}

std::unique_ptr<CSFCard> CKuvoraDoc::CreateCardForMode() {
    if (m_nMode != 0) {
        const CardTypeInfo* type = FindCardType(m_nMode);
        if (!type) return nullptr;
        m_strCardTypeName = QString::fromUtf8(type->label);
        m_nCardType = type->code;
        return type->create();
    }
    for (const CardTypeInfo* type : AutoDetectionOrder()) {
        std::unique_ptr<CSFCard> card = type->create();
        if (card->DetectCard()) {
            m_strCardTypeName = QString::fromUtf8(type->label);
            m_nCardType = type->code;
            return card;
        }
        // Without a reader every further class would fail the same way and
        // show the same message again.
        int error = 0;
        get_last_error_type(&error);
        if (error == FELICA_ERROR_READER_NOT_FOUND || error == FELICA_ERROR_NOT_INITIALIZED) break;
    }
    ShowMessage(kMsgNoCard);
    m_strCardTypeName = QStringLiteral("UNKNOWN");
    m_nCardType = 0;
    return std::make_unique<CSFCard>();
}

void CKuvoraDoc::FillFromCard(CSFCard& card) {
    using namespace history;
    m_strIDm = bytesHex(8, [&](int i) { return card.GetIDm(i); });
    int year = 0, month = 0, day = 0;
    card.DayNumberToDate(card.GetIDm(4) + 256 * card.GetIDm(5) + 2451545, year, month, day);
    m_strMakeDate = QString::asprintf(" (FeliCa製造 %4d年%02d月%02d日)", year, month, day);
    m_nIssuerKind = card.GetIssuerKind();
    const StationLookupBatch names;

    for (int k = 0; k < kGateLogRows; ++k) {
        for (auto& cell : m_GateLog[k]) cell.clear();
        if (m_nCardType != 1) continue;
        // A gate-log slot the card has not written yet is no passage.
        bool written = false;
        for (int i = 0; i < 16; ++i) written = written || card.GetTicketBarrierLogData(16 * k + i) != 0;
        if (!written) continue;
        m_GateLog[k][0] = bytesHex(16, [&](int i) { return card.GetTicketBarrierLogData(16 * k + i); });
        m_GateLog[k][1] = card.GetTicketBarrierLogDateTime(k);
        m_GateLog[k][2] = card.GetTicketBarrierLogType(k);
        m_GateLog[k][3] = card.GetTicketBarrierLogStation(k);
        m_GateLog[k][4] = decimalText(5, card.GetTicketBarrierLogValue1(k));
        if (card.GetTicketBarrierLogData(16 * k + 14) != 0 && card.GetTicketBarrierLogData(16 * k + 15) != 0) {
            m_GateLog[k][5] = card.GetTicketBarrierLogNearStation(k);
            m_GateLog[k][6] = decimalText(5, card.GetTicketBarrierLogValue2(k));
        }
    }

    // The card's records, its unused slots left out: the display rows are
    // the records alone, newest first.
    const int blocks = m_nCardRows;
    m_nCardRows = 0;
    for (int slot = 0; slot < blocks; ++slot) {
        if (card.IsEmptySlot(slot)) continue;
        const int row = m_nCardRows++;
        FillRow(card, slot, row);
    }
}

void CKuvoraDoc::FillRow(CSFCard& card, int slot, int row) {
    using namespace history;
    m_History.SetText(BlockData, row, bytesHex(16, [&](int i) { return card.GetHistoryData(16 * slot + i); }));
    m_History.SetText(TerminalCode, row, hexText(2, card.GetTerminalCode(slot)));
    m_History.SetText(Terminal, row, card.GetTerminal(slot));
    m_History.SetText(TradeCode, row, hexText(2, card.GetTradeCode(slot)));
    m_History.SetText(Trade, row, card.GetTrade(slot));
    m_History.SetFlags(row, card.GetTradeFlags(slot));
    m_History.SetText(DateCode, row, hexText(4, card.GetDateCode(slot)));
    m_History.SetText(Date, row, card.GetDate(slot));
    m_History.SetText(TimeCode, row, hexText(4, card.GetTimeCode(slot)));
    m_History.SetText(Time, row, card.GetTime(slot));
    m_History.SetText(DepartureLineCode, row, hexText(2, card.GetDepartureLineCode(slot)));
    m_History.SetText(DepartureCompany, row, card.GetDepartureCompany(slot));
    m_History.SetText(DepartureStationCode, row, hexText(2, card.GetDepartureStationCode(slot)));
    m_History.SetText(DepartureStation, row, card.GetDepartureStation(slot));
    m_History.SetText(ArrivalLineCode, row, hexText(2, card.GetArrivalLineCode(slot)));
    m_History.SetText(ArrivalCompany, row, card.GetArrivalCompany(slot));
    m_History.SetText(ArrivalStationCode, row, hexText(2, card.GetArrivalStationCode(slot)));
    m_History.SetText(ArrivalStation, row, card.GetArrivalStation(slot));
    m_History.SetText(Balance, row, decimalText(5, card.GetBalance(slot)));
    m_History.SetText(Point, row, decimalText(5, card.GetPoint(slot)));
    m_History.SetText(Charge, row, decimalText(5, card.GetCharge(slot)));
    m_History.SetText(SerialCode, row, hexText(6, card.GetSerial(slot)));
    m_History.SetText(Serial, row, decimalText(8, card.GetSerial(slot)));
    m_History.SetText(Note1, row, card.GetNote1(slot));
    m_History.SetText(Note2, row, card.GetNote2(slot));
}

void CKuvoraDoc::OnCardRead() {
    m_bCardRead = false;
    if (!IsValidMode(m_nMode)) {
        ShowMessage(kMsgNoCard);
        return;
    }
    const QString previousName = m_strCardTypeName;
    const int previousType = m_nCardType;
    // Every card object of this read names through one StationCode.db connection.
    StationDatabaseHold stationDatabase;
    std::unique_ptr<CSFCard> card = CreateCardForMode();
    if (!card) {
        // A card type this build does not know: nothing is read.
        ShowMessage(kMsgNoCard);
        m_strCardTypeName = previousName;
        m_nCardType = previousType;
        return;
    }
    // Auto found no card of any type (no reader, no card, or a card of no
    // type read here): its message has been shown, and the window keeps
    // what it showed, the hint or the card before.
    if (m_nCardType == 0) {
        m_strCardTypeName = previousName;
        m_nCardType = previousType;
        return;
    }
    // A card whose history could not be read has shown its message; its
    // zero-filled blocks are not history, so nothing is stored or shown.
    if (!card->ReadHistory()) {
        m_strCardTypeName = previousName;
        m_nCardType = previousType;
        return;
    }
    m_bStoredHistory = false;  // the card on the reader again
    m_bCardRead = true;
    card->ReadTicketBarrierLog();
    m_nCardRows = std::clamp(card->GetHistoryCount(), 0, CSFCard::kMaxHistoryBlocks);
    m_nRows = m_nCardRows;

    FillFromCard(*card);
    // Only a card of the Suica family itself has a brand.
    const auto* suica = m_nCardType == 1 ? dynamic_cast<const CSuica*>(card.get()) : nullptr;
    m_strBrand = suica ? suica->GetBrand() : QString();

    if (HasCardNumber(m_nCardType)) {
        card->ReadCardInfo();
        m_strCardNumber = card->GetCardNumber();
    } else {
        m_strCardNumber.clear();
    }

    CHistoryTable table;
    // A naming of stored rows that a killed process left undone is done
    // before the first merge of this run reloads them.
    ResumeStoredNamingOnce(table);
    m_nRows = table.MergeAndReload(m_strIDm, m_nCardType, m_History, m_nCardRows, m_nIssuerKind,
                                   suica ? std::optional<QString>(m_strBrand) : std::nullopt);
    // History.db keeps no flags: every reloaded row, the card's own and the
    // older ones, gets them from its block as the card class decodes it.
    SetTradeFlagsFromBlocks(m_History, m_nRows, m_nCardType);

    if (m_pObserver) m_pObserver->OnReadFinished();

    const settings::ReadTogether readSettings;
    m_bAlwaysHistoryRead = settings::AlwaysHistoryRead() ? 1 : 0;
    if (m_bAlwaysHistoryRead) ReadHistoryAloud();

    m_bTcpIpSend = settings::TcpIpSend() ? 1 : 0;
    m_strServerAddress = settings::ServerAddress();
    m_nServerPort = settings::ServerPort();
    if (m_bTcpIpSend) SendHistory(m_strServerAddress, m_nServerPort);
}

void CKuvoraDoc::OnModeSelect(int commandId) {
    const int mode = ModeFromCommandId(commandId);
    if (mode >= 0) m_nMode = mode;
    ShowModeInStatusBar(m_nMode);
    settings::SetMode(m_nMode);
}

bool CKuvoraDoc::OnUpdateModeSelect(int commandId) const {
    return ModeFromCommandId(commandId) == m_nMode;
}

void CKuvoraDoc::ShowModeInStatusBar(int mode) {
    if (!IsValidMode(mode)) return;
    if (m_pObserver) m_pObserver->OnModePaneText(ModeLabel(mode));
}

void CKuvoraDoc::ReadHistoryAloud() {
    for (int row : CardRecordRows(*this)) m_Speaker.Speak(SpokenHistoryText(m_History, row));
}

std::vector<int> CardRecordRows(const CKuvoraDoc& doc) {
    std::vector<int> rows;
    // A stored card loaded without a read: the rows a read of it would give
    // its class's block count, newest first.
    int cardRows = doc.m_nCardRows;
    if (doc.m_bStoredHistory) {
        const std::unique_ptr<CSFCard> card = CreateCard(doc.m_nCardType);
        cardRows = card ? card->GetHistoryCount() : 0;
    }
    const int n = std::clamp(std::min(cardRows, doc.m_nRows), 0, CHistoryDisplay::kRows);
    for (int row = 0; row < n; ++row) {
        if (!IsEmptyHistorySlot(doc.m_nCardType, doc.m_History.Text(history::BlockData, row))) rows.push_back(row);
    }
    return rows;
}

bool CKuvoraDoc::SendHistory(const QString& serverAddress, int serverPort) {
    if (m_pObserver) m_pObserver->OnProgressText(QString::fromUtf8(kSending));
    const SendResult result = m_pSendBytes(serverAddress, serverPort, HistorySendBytes(*this), SendLimits{});
    if (m_pObserver) m_pObserver->OnProgressText(QString());
    switch (result) {
    case SendResult::Sent: return true;
    case SendResult::NoSocket: ShowMessage(kMsgNoSocket); break;
    case SendResult::ConnectFailed: ShowMessage(QString::fromUtf8(kConnectFailed)); break;
    case SendResult::WriteFailed: break;
    }
    return false;
}

bool CKuvoraDoc::DoSave(const QString& path, bool) {
    QString target = path;
    if (target.isEmpty()) {
        target = m_pObserver ? m_pObserver->ChooseSavePath() : QString();
        if (target.isEmpty()) return false;
        m_strSaveExt = QFileInfo(target).suffix().toLower();
        m_bSaveCsv = m_pObserver && m_pObserver->SaveTypeIsCsv();
    }
    if (!WriteExport(target)) ShowMessage(QString::fromUtf8(kCannotSave));
    return true;
}

bool CKuvoraDoc::WriteExport(const QString& path) const {
    if (m_bSaveCsv) return WriteFileReplacing(path, ExportCsv(*this));
    return WriteFileReplacing(path, ExportFile(*this, ExportFormatForExtension(m_strSaveExt)));
}
