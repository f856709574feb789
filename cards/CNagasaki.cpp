#include "CNagasaki.h"

#include "BalanceOnlyBlocks.h"
#include "CardTypes.h"

CNagasaki::CNagasaki() {
    ApplyCardType(*FindCardType(kCardType));
    m_History.assign(16 * static_cast<std::size_t>(m_nHistoryBlocks), 0);
    AttachHistoryBuffer(m_History.data(), m_History.size());
}

int CNagasaki::GetBalance(int row) { return BlockBalance(HistoryBlock(row)); }
int CNagasaki::GetCharge(int row) { return ChargeFromBalances(*this, row); }
