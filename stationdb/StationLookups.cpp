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
const char* const kICaStation =
    "SELECT ICaCompanyName, ICaLineCode, ICaLineName, ICaNote, ICaStationCode, ICaStationName FROM ICaCode "
    "WHERE ICaLineCode = ? AND ICaStationCode = ?";
const char* const kNiceStation =
    "SELECT NICELineCode, NICEStationCode, NICECompanyName, NICELineName, NICEStationName, NICENote FROM NICECode "
    "WHERE NICELineCode = ? AND NICEStationCode = ?";
const char* const kCICAStation =
    "SELECT CICALineCode, CICAStationCode, CICACompanyName, CICALineName, CICAStationName, CICANote FROM CICACode "
    "WHERE CICALineCode = ? AND CICAStationCode = ?";
const char* const kPASSCAStation =
    "SELECT PASSCALineCode, PASSCAStationCode, PASSCACompanyName, PASSCALineName, PASSCAStationName, PASSCANote "
    "FROM PASSCACode WHERE PASSCALineCode = ? AND PASSCAStationCode = ?";
}  // namespace sql

namespace {

DbResult lookupName(CDbLookup& lookup, const char* sqlText, const std::vector<int>& keys, const char* column,
                    QString& text) {
    text = UnregisteredName();
    const DbResult r = lookup.FirstRow(sqlText, keys);
    if (r == DB_OK) text = lookup.Text(column);
    return r;
}

}  // namespace

DbResult LookupName(CDbLookup& lookup, const char* sqlText, std::initializer_list<int> keys,
                    const char* column, QString& text) {
    return lookupName(lookup, sqlText, std::vector<int>(keys), column, text);
}

DbResult LookupName(CDbLookup& lookup, const char* sqlText, const std::vector<int>& keys, const char* column,
                    QString& text) {
    return lookupName(lookup, sqlText, keys, column, text);
}
