// The place names of the regional cards (ICa, nice pass!, CI-CA, passca) and
// of the point card: one lookup object over one table of StationCode.db, one
// SQL text with the line and station codes as its two parameters, and the
// table's company, line and station name columns.
//
// A card owns one of these, opens it in its constructor and asks it for a
// name per getter call; nothing is cached between calls.
#pragma once

#include "CDbLookup.h"

#include <QString>

class PlaceNameLookup {
public:
    enum class Name { Company, Line, Station };
    struct Columns {
        const char* company;
        const char* line;
        const char* station;
    };

    // `table` is the table of StationCode.db the record is bound to; `sql`
    // takes the line and the station code, in that order. `area`, when not
    // -1, is the area code `sql` itself fixes (the table's first key column).
    PlaceNameLookup(const char* table, const char* sql, Columns columns, int area = -1);

    // Opens the database; shows message 129 when it cannot be opened. The
    // lookup is used all the same: each query then fails.
    void Open();

    // The name of (line, station): the column of `name` in the first row
    // found, "未登録" when no row matches. A query that fails shows message
    // 130 and also yields "未登録". The caller decides beforehand which keys
    // are empty and need no query.
    QString Lookup(const NameKey& key, Name name);
    // The row of the table (line, station) is looked up under.
    NameKey Key(int line, int station) const;

private:
    int m_nArea;
    CDbLookup m_Lookup;
    const char* m_Sql;
    Columns m_Columns;
};
