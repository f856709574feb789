// The document's history display table: 25 parallel columns of 1000 rows,
// allocated once. Every column but TradeFlags holds display text.
#pragma once

#include <QString>

#include <vector>

namespace history {

enum Column {
    BlockData,
    Terminal,
    TerminalCode,
    Trade,
    TradeCode,
    TradeFlags,
    Date,
    DateCode,
    Time,
    TimeCode,
    DepartureLineCode,
    DepartureStationCode,
    DepartureCompany,
    DepartureStation,
    ArrivalLineCode,
    ArrivalStationCode,
    ArrivalCompany,
    ArrivalStation,
    Balance,
    Point,
    Charge,
    SerialCode,
    Serial,
    Note1,
    Note2,
    ColumnCount
};

// The column's name ("BlockData", "Terminal", ...).
const char* ColumnName(int column);

}  // namespace history

class CHistoryDisplay {
public:
    static constexpr int kRows = 1000;

    CHistoryDisplay();

    const QString& Text(int column, int row) const { return m_Text[Index(column, row)]; }
    void SetText(int column, int row, const QString& text) { m_Text[Index(column, row)] = text; }
    int Flags(int row) const { return m_Flags[static_cast<std::size_t>(row)]; }
    void SetFlags(int row, int flags) { m_Flags[static_cast<std::size_t>(row)] = flags; }

    // Every text empty and every flag 0.
    void Clear();

private:
    static std::size_t Index(int column, int row) {
        return static_cast<std::size_t>(column) * kRows + static_cast<std::size_t>(row);
    }
    std::vector<QString> m_Text;
    std::vector<int> m_Flags;
};
