#include "CECard.h"

#include "BalanceOnlyBlocks.h"
#include "CardTypes.h"

CECard::CECard() {
    ApplyCardType(*FindCardType(kCardType));
    m_History.assign(16 * static_cast<std::size_t>(m_nHistoryBlocks), 0);
    AttachHistoryBuffer(m_History.data(), m_History.size());
}

int CECard::GetDateCode(int row) { return PackedDateCode(HistoryBlock(row)); }
QString CECard::GetDate(int row) { return PackedDateText(GetDateCode(row)); }
int CECard::GetBalance(int row) { return BlockBalance(HistoryBlock(row)); }
int CECard::GetCharge(int row) { return ChargeFromBalances(*this, row); }
