// CECard: the IC i-card (card type 10). Its history blocks keep the date and
// the balance after each transaction; the amount is derived from the balances
// of neighbouring rows.
#pragma once

#include "CSFCard.h"

#include <cstdint>
#include <vector>

class CECard : public CSFCard {
public:
    static constexpr int kCardType = 10;

    CECard();
    int GetDateCode(int row) override;
    QString GetDate(int row) override;
    int GetBalance(int row) override;
    int GetCharge(int row) override;

private:
    std::vector<std::uint8_t> m_History;
};
