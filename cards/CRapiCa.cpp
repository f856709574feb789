#include "CRapiCa.h"

#include "BalanceOnlyBlocks.h"
#include "CardTypes.h"

CRapiCa::CRapiCa() {
    ApplyCardType(*FindCardType(kCardType));
    m_History.assign(16 * static_cast<std::size_t>(m_nHistoryBlocks), 0);
    AttachHistoryBuffer(m_History.data(), m_History.size());
}

int CRapiCa::GetBalance(int row) { return BlockBalance(HistoryBlock(row)); }
int CRapiCa::GetCharge(int row) { return ChargeFromBalances(*this, row); }
