// The values of a history row for programs: dates and times in ISO form,
// amounts and codes as numbers, null for a field the card type does not
// record. Taken from the row's stored columns, so a row just read and the
// same row reloaded from History.db give the same values.
#pragma once

#include <QString>

#include <optional>

class CHistoryDisplay;

struct HistoryRowValues {
    std::optional<QString> date;  // 2026-11-28
    std::optional<QString> time;  // 17:18 or 18:42:05
    std::optional<qint64> terminalCode, tradeCode, departureLineCode, departureStationCode, arrivalLineCode,
        arrivalStationCode, balance, charge, point, serial;
};

// The values of display row `row` of a card of `cardType`.
HistoryRowValues HistoryRowValuesOf(int cardType, const CHistoryDisplay& history, int row);

