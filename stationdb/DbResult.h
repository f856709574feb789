// Result codes of the database access layer: negative means failure.
// S_OK and DB_S_ENDOFROWSET are successes; a failure carries either E_FAIL,
// E_NOINTERFACE or an SQLite result code as 0x8005xxxx (xxxx = SQLite's
// extended result code).
#pragma once

#include <cstdint>

using DbResult = std::int32_t;

constexpr DbResult DB_OK = 0;
constexpr DbResult DB_S_ENDOFROWSET = 0x00040EC6;
constexpr DbResult DB_E_FAIL = static_cast<DbResult>(0x80004005u);
constexpr DbResult DB_E_NOINTERFACE = static_cast<DbResult>(0x80004002u);

inline bool DbFailed(DbResult r) { return r < 0; }

inline DbResult DbResultFromSqlite(int rc) {
    return static_cast<DbResult>(0x80050000u | (static_cast<std::uint32_t>(rc) & 0xFFFFu));
}
