// The text spoken for one row of the history display table.
#pragma once

#include "CHistoryDisplay.h"

#include <QString>

// Date, ",,,", departure company, ",", departure station, ",,", arrival
// company, ",", arrival station, ",,", balance, and "円" when the balance
// text is not empty. The balance keeps the leading blanks of its "%5d" text.
QString SpokenHistoryText(const CHistoryDisplay& history, int row);
