// CECardMobile: the IC i-card on a mobile phone (card type 130), a service of
// the common area FE 00 that it shares with Edy and JAL IC; DetectCard tells
// them apart by the history service 0x450F. Its blocks are laid out as on
// the plastic IC i-card: the date and the balance after each transaction.
#pragma once

#include "CSFCard.h"

#include <cstdint>
#include <vector>

class CECardMobile : public CSFCard {
public:
    static constexpr int kCardType = 130;

    CECardMobile();
    int GetDateCode(int row) override;
    QString GetDate(int row) override;
    int GetBalance(int row) override;
    int GetCharge(int row) override;

private:
    std::vector<std::uint8_t> m_History;
};
