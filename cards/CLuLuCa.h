// CLuLuCa: the LuLuCa card (card type 9). Its history blocks keep the
// balance after each transaction; the amount is derived from the balances of
// neighbouring rows.
#pragma once

#include "CSFCard.h"

#include <cstdint>
#include <vector>

class CLuLuCa : public CSFCard {
public:
    static constexpr int kCardType = 9;

    CLuLuCa();
    int GetBalance(int row) override;
    int GetCharge(int row) override;

private:
    std::vector<std::uint8_t> m_History;
};
