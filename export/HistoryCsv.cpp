#include "HistoryCsv.h"

#include "CardHistory.h"
#include "HistoryValues.h"

#include <QDate>

#include <algorithm>

using namespace history;

namespace {

// What a column holds, and so how its cells are written.
enum class Cell { Code, Text, Number, Date, Time };

struct CsvColumn {
    const char16_t* name;
    int column;
    Cell cell;
};

// The view's columns left to right, upper row then lower row.
const CsvColumn kColumns[] = {
    {u"生データ", BlockData, Cell::Code},
    {u"端末種コード", TerminalCode, Cell::Code},
    {u"端末種", Terminal, Cell::Text},
    {u"処理コード", TradeCode, Cell::Code},
    {u"処理", Trade, Cell::Text},
    {u"日付コード", DateCode, Cell::Code},
    {u"日付", Date, Cell::Date},
    {u"時刻コード", TimeCode, Cell::Code},
    {u"時刻", Time, Cell::Time},
    {u"入線区コード", DepartureLineCode, Cell::Code},
    {u"入線区", DepartureCompany, Cell::Text},
    {u"入駅順コード", DepartureStationCode, Cell::Code},
    {u"入駅順", DepartureStation, Cell::Text},
    {u"出線区コード", ArrivalLineCode, Cell::Code},
    {u"出線区", ArrivalCompany, Cell::Text},
    {u"出駅順コード", ArrivalStationCode, Cell::Code},
    {u"出駅順", ArrivalStation, Cell::Text},
    {u"残高", Balance, Cell::Number},
    {u"金額", Charge, Cell::Number},
    {u"履歴連番コード", SerialCode, Cell::Code},
    {u"履歴連番", Serial, Cell::Number},
    {u"備考2", Note2, Cell::Text},
    {u"備考1", Note1, Cell::Text},
};

// A display text as the cell of its column; a text that is not what the
// column holds (no date in a date column) stays a text.
QString cellOf(Cell cell, const QString& text) {
    switch (cell) {
    case Cell::Code: return text.isEmpty() ? QString() : CsvCodeCell(text);
    case Cell::Number: {
        bool number = false;
        const QString trimmed = text.trimmed();
        trimmed.toLongLong(&number);
        return number ? trimmed : CsvTextCell(text);
    }
    case Cell::Date: {
        const std::optional<QString> iso = IsoDateOfText(text);
        return iso && QDate::fromString(*iso, Qt::ISODate).isValid() ? *iso : CsvTextCell(text);
    }
    case Cell::Time: return IsoTimeOfText(text).value_or(CsvTextCell(text));
    case Cell::Text: break;
    }
    return CsvTextCell(text);
}

}  // namespace

QStringList HistoryCsvHeader() {
    QStringList names;
    for (const CsvColumn& c : kColumns) names << QString::fromUtf16(c.name);
    return names;
}

QString CsvLine(const QStringList& fields) {
    QStringList cells;
    for (const QString& f : fields) cells << CsvField(f);
    return CsvCellLine(cells);
}

QByteArray ExportCsv(const CardHistory& card) {
    QString text = CsvLine(HistoryCsvHeader());
    const int rows = std::clamp(card.m_nRows, 0, CHistoryDisplay::kRows);
    for (int row = 0; row < rows; ++row) {
        QStringList cells;
        for (const CsvColumn& c : kColumns) cells << cellOf(c.cell, card.m_History.Text(c.column, row));
        text += CsvCellLine(cells);
    }
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}
