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

// A date text of the history, "2026年11月28日" or "26年11月28日" (a card's
// two-digit years are 20YY), as 2026-11-28; none for any other text.
std::optional<QString> IsoDateOfText(const QString& text);
// A time text, "17時18分" as 17:18, "18時42分05秒" as 18:42:05. Hours past 24
// stay: a shop that keeps its business day past midnight records 24時12分 on
// that day.
std::optional<QString> IsoTimeOfText(const QString& text);

// The values of display row `row` of a card of `cardType`.
HistoryRowValues HistoryRowValuesOf(int cardType, const CHistoryDisplay& history, int row);

