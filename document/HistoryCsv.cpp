#include "HistoryCsv.h"

#include "CKuvoraDoc.h"
#include "StationCodeSchema.h"

#include <algorithm>

using namespace history;

namespace {

struct CsvColumn {
    const char16_t* name;
    int column;
    bool number;  // written without the blanks that align it on screen
};

// The view's columns left to right, upper row then lower row.
const CsvColumn kColumns[] = {
    {u"生データ", BlockData, false},
    {u"端末種コード", TerminalCode, false},
    {u"端末種", Terminal, false},
    {u"処理コード", TradeCode, false},
    {u"処理", Trade, false},
    {u"日付コード", DateCode, false},
    {u"日付", Date, false},
    {u"時刻コード", TimeCode, false},
    {u"時刻", Time, false},
    {u"入線区コード", DepartureLineCode, false},
    {u"入線区", DepartureCompany, false},
    {u"入駅順コード", DepartureStationCode, false},
    {u"入駅順", DepartureStation, false},
    {u"出線区コード", ArrivalLineCode, false},
    {u"出線区", ArrivalCompany, false},
    {u"出駅順コード", ArrivalStationCode, false},
    {u"出駅順", ArrivalStation, false},
    {u"残高", Balance, true},
    {u"金額", Charge, true},
    {u"履歴連番コード", SerialCode, false},
    {u"履歴連番", Serial, true},
    {u"備考2", Note2, false},
    {u"備考1", Note1, false},
};

}  // namespace

QStringList HistoryCsvHeader() {
    QStringList names;
    for (const CsvColumn& c : kColumns) names << QString::fromUtf16(c.name);
    return names;
}

QString CsvField(const QString& text) {
    const bool quoted = text.contains(QLatin1Char(',')) || text.contains(QLatin1Char('"')) ||
                        text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'));
    if (!quoted) return text;
    QString inner = text;
    inner.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + inner + QLatin1Char('"');
}

QString CsvLine(const QStringList& fields) {
    QString line;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0) line += QLatin1Char(',');
        line += CsvField(fields[i]);
    }
    return line + QLatin1String("\r\n");
}

QByteArray ExportCsv(const CKuvoraDoc& doc) {
    QString text = CsvLine(HistoryCsvHeader());
    const int rows = std::clamp(doc.m_nRows, 0, CHistoryDisplay::kRows);
    for (int row = 0; row < rows; ++row) {
        QStringList fields;
        for (const CsvColumn& c : kColumns) {
            const QString value = doc.m_History.Text(c.column, row);
            fields << (c.number ? value.trimmed() : OutputName(value));
        }
        text += CsvLine(fields);
    }
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}
