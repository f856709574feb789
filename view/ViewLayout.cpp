#include "ViewLayout.h"

#include "CKuvoraDoc.h"
#include "ShownText.h"

#include <QCoreApplication>

namespace view {

namespace {
using namespace history;
const GridColumn kColumns[kGridColumns] = {
    {QT_TRANSLATE_NOOP("HistoryView", "生データ"), 51, BlockData, -1},
    {QT_TRANSLATE_NOOP("HistoryView", "端末種"), 72, TerminalCode, Terminal},
    {QT_TRANSLATE_NOOP("HistoryView", "処 理"), 54, TradeCode, Trade},
    {QT_TRANSLATE_NOOP("HistoryView", "日 付"), 81, DateCode, Date},
    {QT_TRANSLATE_NOOP("HistoryView", "時 刻"), 81, TimeCode, Time},
    {QT_TRANSLATE_NOOP("HistoryView", "入線区"), 94, DepartureLineCode, DepartureCompany},
    {QT_TRANSLATE_NOOP("HistoryView", "入駅順"), 126, DepartureStationCode, DepartureStation},
    {QT_TRANSLATE_NOOP("HistoryView", "出線区"), 94, ArrivalLineCode, ArrivalCompany},
    {QT_TRANSLATE_NOOP("HistoryView", "出駅順"), 126, ArrivalStationCode, ArrivalStation},
    {QT_TRANSLATE_NOOP("HistoryView", "残 高"), 50, Balance, Charge},
    {QT_TRANSLATE_NOOP("HistoryView", "履歴連番"), 58, SerialCode, Serial},
    {QT_TRANSLATE_NOOP("HistoryView", "備 考"), 100, Note2, Note1},
};
}  // namespace

const GridColumn& Column(int index) { return kColumns[index]; }

QString ColumnTitle(int index) { return ViewText::tr(kColumns[index].title); }

std::vector<PlacedText> HeaderBandTexts(const CKuvoraDoc& doc) {
    std::vector<PlacedText> texts;
    auto add = [&texts](int x, int y, const QString& s) {
        if (!s.isEmpty()) texts.push_back({x, y, s});
    };
    add(kLabelX, kVersionY, doc.m_strLibraryVersion);
    add(kLabelX, kIdmY, IdmLabel());
    add(kValueX, kIdmY, QStringLiteral(": ") + doc.m_strIDm + ShownText(doc.m_strMakeDate));
    add(kLabelX, kTypeY, TypeLabel());
    // A Suica-family card's brand follows the type label: 「…/PASMO（PASMO）」.
    const QString brand = doc.m_strBrand.isEmpty() ? QString() : ViewText::tr("（%1）").arg(ShownText(doc.m_strBrand));
    add(kValueX, kTypeY, QStringLiteral(": ") + ShownText(doc.m_strCardTypeName) + brand);
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

QStringList HeaderBandLines(const CKuvoraDoc& doc) {
    QStringList lines;
    if (!doc.m_strLibraryVersion.isEmpty()) lines << doc.m_strLibraryVersion;
    // Each label with the value beside it: the values start with ": ".
    const std::vector<PlacedText> texts = HeaderBandTexts(doc);
    for (int y : {kIdmY, kTypeY, kNumberY}) {
        QString line;
        for (const PlacedText& t : texts)
            if (t.y == y) line += t.text;
        if (!line.isEmpty()) lines << line;
    }
    for (int row = 0; row < CKuvoraDoc::kGateLogRows; ++row) {
        QStringList cells;
        for (int c : {2, 1, 3, 4, 5, 6})
            if (!doc.m_GateLog[row][c].trimmed().isEmpty()) cells << doc.m_GateLog[row][c].trimmed();
        if (!cells.isEmpty()) lines << ViewText::tr("改札ログ %1: %2").arg(row + 1).arg(cells.join(QLatin1Char(' ')));
    }
    for (const PlacedText& t : StoredHistoryNote(doc)) lines << t.text;
    return lines;
}

std::vector<PlacedText> StoredHistoryNote(const CKuvoraDoc& doc) {
    if (!doc.m_bStoredHistory) return {};
    // A stored card has no gate log: its first line has room.
    return {{kLabelX, kGateLogY, ViewText::tr("保存済みの履歴（カードから読み取っていません）")}};
}

QString IdmLabel() { return ViewText::tr("FeliCa 製造番号(IDm)"); }
QString TypeLabel() { return ViewText::tr("SF カードタイプ"); }

QString CardNumberLabel(int cardType) {
    if (cardType == 128) return QStringLiteral("Edy No.");
    if (cardType == 129) return QStringLiteral("JMB No.");
    if (cardType == 131) return QStringLiteral("nanaco No.");
    if (cardType == 132) return QStringLiteral("WAON No.");
    return QString();
}

}  // namespace view
