#include "ViewLayout.h"

#include "CKuvoraDoc.h"

namespace view {

namespace {
using namespace history;
const GridColumn kColumns[kGridColumns] = {
    {u"生データ", 51, BlockData, -1},
    {u"端末種", 72, TerminalCode, Terminal},
    {u"処 理", 54, TradeCode, Trade},
    {u"日 付", 81, DateCode, Date},
    {u"時 刻", 81, TimeCode, Time},
    {u"入線区", 94, DepartureLineCode, DepartureCompany},
    {u"入駅順", 126, DepartureStationCode, DepartureStation},
    {u"出線区", 94, ArrivalLineCode, ArrivalCompany},
    {u"出駅順", 126, ArrivalStationCode, ArrivalStation},
    {u"残 高", 50, Balance, Charge},
    {u"履歴連番", 58, SerialCode, Serial},
    {u"備 考", 100, Note2, Note1},
};
}  // namespace

const GridColumn& Column(int index) { return kColumns[index]; }

std::vector<PlacedText> HeaderBandTexts(const CKuvoraDoc& doc) {
    std::vector<PlacedText> texts;
    auto add = [&texts](int x, int y, const QString& s) {
        if (!s.isEmpty()) texts.push_back({x, y, s});
    };
    add(kLabelX, kVersionY, doc.m_strLibraryVersion);
    add(kLabelX, kIdmY, IdmLabel());
    add(kValueX, kIdmY, QStringLiteral(": ") + doc.m_strIDm + doc.m_strMakeDate);
    add(kLabelX, kTypeY, TypeLabel());
    // A Suica-family card's brand follows the type label: 「…/PASMO（PASMO）」.
    const QString brand = doc.m_strBrand.isEmpty() ? QString() : QStringLiteral(u"（%1）").arg(doc.m_strBrand);
    add(kValueX, kTypeY, QStringLiteral(": ") + doc.m_strCardTypeName + brand);
    // The number line is there only for the cards that have a number.
    const QString numberLabel = CardNumberLabel(doc.m_nCardType);
    if (!numberLabel.isEmpty()) {
        add(kLabelX, kNumberY, numberLabel);
        add(kValueX, kNumberY, QStringLiteral(": ") + doc.m_strCardNumber);
    }
    for (int row = 0; row < CKuvoraDoc::kGateLogRows; ++row)
        for (int c = 0; c < CKuvoraDoc::kGateLogColumns; ++c)
            add(kGateLogX[c], kGateLogY + kGateLogLineHeight * row, doc.m_GateLog[row][c]);
    return texts;
}

std::vector<PlacedText> StoredHistoryNote(const CKuvoraDoc& doc) {
    if (!doc.m_bStoredHistory) return {};
    // A stored card has no gate log: its first line has room.
    return {{kLabelX, kGateLogY, QStringLiteral("保存済みの履歴（カードから読み取っていません）")}};
}

QString IdmLabel() { return QStringLiteral("FeliCa 製造番号(IDm)"); }
QString TypeLabel() { return QStringLiteral("SF カードタイプ"); }

QString CardNumberLabel(int cardType) {
    if (cardType == 128) return QStringLiteral("Edy No.");
    if (cardType == 129) return QStringLiteral("JMB No.");
    if (cardType == 131) return QStringLiteral("nanaco No.");
    if (cardType == 132) return QStringLiteral("WAON No.");
    return QString();
}

}  // namespace view
