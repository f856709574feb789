// CRapiCa: the RapiCa card (card type 5). Its history blocks keep the
// balance after each transaction; the amount is derived from the balances of
// neighbouring rows.
#pragma once

#include "CSFCard.h"

#include <cstdint>
#include <vector>

class CRapiCa : public CSFCard {
public:
    static constexpr int kCardType = 5;

    CRapiCa();
    int GetBalance(int row) override;
    int GetCharge(int row) override;

private:
    std::vector<std::uint8_t> m_History;
};
