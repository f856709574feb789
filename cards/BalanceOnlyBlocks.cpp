#include "BalanceOnlyBlocks.h"

#include "BlockFields.h"
#include "CSFCard.h"

int BlockBalance(const std::uint8_t* block) { return BigEndian16(block + 14); }

int ChargeFromBalances(CSFCard& card, int row) {
    if (row < 0 || row >= card.GetHistoryCount() - 1) return 0;
    return card.GetBalance(row + 1) - card.GetBalance(row);
}

int PackedDateCode(const std::uint8_t* block) { return BigEndian16(block); }

QString PackedDateText(int code) {
    return QString::asprintf("%02d年%02d月%02d日", code >> 9, (code >> 5) & 0x0F, code & 0x1F);
}
