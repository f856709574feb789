#include "StationLookups.h"

QString UnregisteredName() { return QStringLiteral("未登録"); }

namespace sql {
const char* const kRailStation =
    "SELECT AreaCode, LineCode, StationCode, CompanyName, LineName, StationName, Note FROM StationCode "
    "WHERE AreaCode = ? AND LineCode = ? AND StationCode = ?";
const char* const kRailStationArea1 =
    "SELECT AreaCode, LineCode, StationCode, CompanyName, LineName, StationName, Note FROM StationCode "
    "WHERE AreaCode = 1 AND LineCode = ? AND StationCode = ?";
const char* const kShop =
    "SELECT AreaCode, TerminalCode, LineCode, StationCode, CompanyName, ShopName, Cashier, Note FROM ShopCode "
    "WHERE AreaCode = ? AND TerminalCode = ? AND LineCode = ? AND StationCode = ?";
const char* const kBusStop =
    "SELECT BusLineCode, BusStationCode, BusCompanyName, BusLineName, BusStationName, BusNote FROM BusCode "
    "WHERE BusLineCode = ? AND BusStationCode = ?";
}  // namespace sql

DbResult LookupName(CDbLookup& lookup, const char* sqlText, std::initializer_list<int> keys,
                    const char* column, QString& text) {
    text = UnregisteredName();
    DbResult r = lookup.OpenQuery(sqlText, keys);
    if (DbFailed(r)) {
        lookup.CloseQuery();
        return r;
    }
    r = lookup.MoveNext();
    if (r == DB_OK) text = lookup.Text(column);
    lookup.CloseQuery();
    return r;
}
