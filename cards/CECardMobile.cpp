#include "CECardMobile.h"

#include "BalanceOnlyBlocks.h"
#include "CardTypes.h"

CECardMobile::CECardMobile() {
    ApplyCardType(*FindCardType(kCardType));
    m_History.assign(16 * static_cast<std::size_t>(m_nHistoryBlocks), 0);
    AttachHistoryBuffer(m_History.data(), m_History.size());
}

int CECardMobile::GetDateCode(int row) { return PackedDateCode(HistoryBlock(row)); }
QString CECardMobile::GetDate(int row) { return PackedDateText(GetDateCode(row)); }
int CECardMobile::GetBalance(int row) { return BlockBalance(HistoryBlock(row)); }
int CECardMobile::GetCharge(int row) { return ChargeFromBalances(*this, row); }
