#include "CCICA.h"

#include "StationLookups.h"

CCICA::CCICA()
    : ProcessCodeCard(kCardType, "CICACode", sql::kCICAStation,
                      {"CICACompanyName", "CICALineName", "CICAStationName"}, OneSidedTrades::FillEntry) {}
