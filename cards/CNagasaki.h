// CNagasaki: the Nagasaki smart card (card type 8), five history blocks that
// keep the balance after each transaction; the amount is derived from the
// balances of neighbouring rows.
#pragma once

#include "CSFCard.h"

#include <cstdint>
#include <vector>

class CNagasaki : public CSFCard {
public:
    static constexpr int kCardType = 8;

    CNagasaki();
    int GetBalance(int row) override;
    int GetCharge(int row) override;

private:
    std::vector<std::uint8_t> m_History;
};
