// Name lookups in StationCode.db: the SQL texts and the one-lookup procedure
// (query, first row, requested column, close).
#pragma once

#include "CDbLookup.h"

#include <QString>

// What every lookup that finds nothing (or fails) yields.
QString UnregisteredName();

namespace sql {
// Parameters: area, line, station.
extern const char* const kRailStation;
// Parameters: line, station (area 1).
extern const char* const kRailStationArea1;
// Parameters: area, terminal, line, station.
extern const char* const kShop;
// Parameters: bus line, bus stop.
extern const char* const kBusStop;
// The regional cards' own code tables. Parameters: line, station.
extern const char* const kICaStation;
extern const char* const kNiceStation;
extern const char* const kCICAStation;
extern const char* const kPASSCAStation;
}  // namespace sql

// Runs one lookup and puts the text of `column` of the first row into `text`,
// or "未登録" when no row matched or the lookup failed. Returns DB_OK,
// DB_S_ENDOFROWSET, or the failure code for the caller's message.
DbResult LookupName(CDbLookup& lookup, const char* sqlText, std::initializer_list<int> keys,
                    const char* column, QString& text);
DbResult LookupName(CDbLookup& lookup, const char* sqlText, const std::vector<int>& keys, const char* column,
                    QString& text);
