#include "CPASSCA.h"

#include "StationLookups.h"

CPASSCA::CPASSCA()
    : ProcessCodeCard(kCardType, "PASSCACode", sql::kPASSCAStation,
                      {"PASSCACompanyName", "PASSCALineName", "PASSCAStationName"}, OneSidedTrades::FillExit) {}
