// Fills History.db with `rows` rows spread over `cards` cards whose IDms are
// "0101" followed by the card's number in 12 hex digits.
#pragma once

#include "CHistoryTable.h"
#include "DbConnection.h"

#include <cstdlib>

inline void fillHistory(int rows, int cards = 1000) {
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
        insert.Bind(1, QString::asprintf("0101%012X", i % cards));
        insert.Bind(2, QString::asprintf("16010000357C0110%016X", i));
        insert.Bind(3, static_cast<std::int64_t>(i));
        insert.Step();
    }
    db.Execute("COMMIT");
}
