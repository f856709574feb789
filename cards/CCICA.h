// CCICA: the CI-CA card of system 81 57 (card type 6), names from the
// CICACode table. A trade of one side only (0x52, 0x5C) names the entry
// station.
#pragma once

#include "ProcessCodeCard.h"

class CCICA : public ProcessCodeCard {
public:
    static constexpr int kCardType = 6;
    CCICA();
};
