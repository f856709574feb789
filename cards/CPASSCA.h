// CPASSCA: the passca card of system 83 2C (card type 11), names from the
// PASSCACode table. A trade of one side only (0x52, 0x5C) names the exit
// station.
#pragma once

#include "ProcessCodeCard.h"

class CPASSCA : public ProcessCodeCard {
public:
    static constexpr int kCardType = 11;
    CPASSCA();
};
