// Fills History.db with stored rows for benchmarks: `rows` rows spread over
// `cards` cards whose IDms are "0101" followed by the card's number in 12 hex
// digits, or all of one card's own.
#pragma once

#include "CHistoryTable.h"
#include "DbConnection.h"

#include <cstdlib>

inline void insertHistoryRows(int rows, const QString& oneIdm, int cards) {
    CHistoryTable table;
    CDbConnection db;
    if (DbFailed(table.Open(db))) std::abort();
    db.Execute("BEGIN");
    CDbStatement insert;
    insert.Prepare(db,
                   "INSERT INTO History (IDm, CardType, BlockData, Balance, Charge, Point, PointBalance, Serial, "
                   "Date, Terminal, Trade, ACompanyName, AStationName, PCompanyName, PStationName) "
                   "VALUES (?, 1, ?, 1000, 210, 0, 0, ?, '26年11月28日', '改札機', '支払', '見本鉄道', '見本中央', "
                   "'見本鉄道', '見本公園')");
    for (int i = 0; i < rows; ++i) {
        insert.Reset();
        insert.Bind(1, oneIdm.isEmpty() ? QString::asprintf("0101%012X", i % cards) : oneIdm);
        insert.Bind(2, QString::asprintf("16010000AAAA0110%016X", i));
        insert.Bind(3, static_cast<std::int64_t>(i + 100000));
        insert.Step();
    }
    db.Execute("COMMIT");
}

inline void fillHistory(int rows, int cards = 1000) { insertHistoryRows(rows, QString(), cards); }

// Rows of the sample Suica card (data/cards/suica-sample.json) itself.
inline void fillSampleCardHistory(int rows) { insertHistoryRows(rows, QStringLiteral("01010410C8192A3B"), 1); }
