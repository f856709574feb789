#include "CHistoryDisplay.h"

namespace history {

const char* ColumnName(int column) {
    static const char* const names[ColumnCount] = {
        "BlockData",        "Terminal",          "TerminalCode",     "Trade",          "TradeCode",
        "TradeFlags",       "Date",              "DateCode",         "Time",           "TimeCode",
        "DepartureLineCode", "DepartureStationCode", "DepartureCompany", "DepartureStation", "ArrivalLineCode",
        "ArrivalStationCode", "ArrivalCompany",  "ArrivalStation",   "Balance",        "Point",
        "Charge",           "SerialCode",        "Serial",           "Note1",          "Note2"};
    return column >= 0 && column < ColumnCount ? names[column] : "";
}

}  // namespace history

CHistoryDisplay::CHistoryDisplay()
    : m_Text(static_cast<std::size_t>(history::ColumnCount) * kRows), m_Flags(kRows, 0) {}

void CHistoryDisplay::Clear() {
    for (auto& t : m_Text) t.clear();
    std::fill(m_Flags.begin(), m_Flags.end(), 0);
}
