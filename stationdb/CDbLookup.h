// A lookup object: one open connection to StationCode.db plus one record
// bound to the columns of one table. The user's own names
// (StationCodeUser.db) are seen before the shipped ones through the same
// table names.
//
// The steps, in calling order: Open; OpenQuery; MoveNext (DB_OK for a row,
// DB_S_ENDOFROWSET when none matched, negative on failure); CloseQuery;
// Close. A lookup whose Open failed fails every query with DB_E_FAIL without
// touching the database. Each SQL text is prepared once per open connection
// and bound anew for every query. The lookups of a thread that are open at
// the same time share one connection, so the file, the user's names and
// the schema are read once.
#pragma once

#include "DbConnection.h"
#include "StationCodeSchema.h"

#include <initializer_list>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CDbLookup {
public:
    explicit CDbLookup(const TableDef& table);
    ~CDbLookup();
    CDbLookup(const CDbLookup&) = delete;
    CDbLookup& operator=(const CDbLookup&) = delete;

    DbResult Open();
    bool IsOpen() const { return m_Conn != nullptr; }
    // The SQLite connection this lookup queries through, or null.
    const void* ConnectionId() const;
    void Close();

    // Prepares `sql` and binds `values` to its parameters in order.
    DbResult OpenQuery(const char* sql, std::initializer_list<int> values);
    DbResult OpenQuery(const char* sql, const std::vector<int>& values);
    // Fetches the next row into the record, which is cleared first.
    DbResult MoveNext();
    void CloseQuery();
    // OpenQuery, MoveNext and CloseQuery: the first row into the record.
    // Within a batch the files cannot change, so asking again for the row
    // just fetched (a company's name, then its station's) leaves the record
    // as it is instead of querying again.
    DbResult FirstRow(const char* sql, const std::vector<int>& values);

    // The record's column by name: text cut to 255 characters, or a number.
    QString Text(const char* column) const;
    int Value(const char* column) const;

    const TableDef& Table() const { return m_Table; }

private:
    friend class StationLookupBatch;
    void EndBatch();

    int ColumnIndex(const char* column) const;
    static void AttachUserNames(CDbConnection& db);
    DbResult OpenQuery(const char* sql, const int* values, std::size_t count);

    const TableDef& m_Table;
    struct Prepared {
        CDbStatement statement;
        std::vector<int> resultColumn;  // per table column: its column in the query, or -1
    };

    struct SharedConnection;
    std::shared_ptr<SharedConnection> m_Conn;
    // By SQL text; they go before the connection does.
    std::map<std::string, std::unique_ptr<Prepared>, std::less<>> m_Prepared;
    Prepared* m_Query = nullptr;  // the open query, if any
    bool m_InBatch = false;       // keeps the connection's read transaction until the batch ends
    // The query whose first row the record holds, within the present batch.
    struct Fetched {
        const char* sql = nullptr;
        std::vector<int> values;
        DbResult result = DB_OK;
    };
    std::optional<Fetched> m_Fetched;
    std::vector<QString> m_Text;
    std::vector<int> m_Value;
};

// While one is alive on this thread, each lookup keeps the read transaction
// its first query began until the outermost batch ends, so that filling a
// card's rows takes the database files' locks once per connection instead of
// once per name. Writers of the user's names wait (busy timeout) for the
// batch, which lasts as long as the decoding of one card.
class StationLookupBatch {
public:
    StationLookupBatch();
    ~StationLookupBatch();
    StationLookupBatch(const StationLookupBatch&) = delete;
    StationLookupBatch& operator=(const StationLookupBatch&) = delete;
};

// While one is alive on this thread, the connection the lookups share stays
// open after the last of them has closed, so that the card objects one Read
// command makes one after another (Auto mode asks each type in turn) open
// StationCode.db once.
class StationDatabaseHold {
public:
    StationDatabaseHold();
    ~StationDatabaseHold();
    StationDatabaseHold(const StationDatabaseHold&) = delete;
    StationDatabaseHold& operator=(const StationDatabaseHold&) = delete;
};
