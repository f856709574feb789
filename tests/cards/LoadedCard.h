// A card object whose buffers a test fills directly, as a successful read
// would, so that decoding can be checked block by block.
#pragma once

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace test {

template <class Card>
class LoadedCard : public Card {
public:
    // Row `row` of the history buffer from 32 hex digits.
    void SetHistory(int row, const std::string& hex) {
        ASSERT_TRUE(row >= 0 && row < this->m_nHistoryBlocks) << row;
        const felica::Block b = blockFromHex(hex);
        std::memcpy(this->m_pHistory + 16 * row, b.data(), 16);
    }
    // Byte `pos` of the card-info buffer.
    void SetCardInfo(int pos, std::uint8_t value) {
        ASSERT_TRUE(pos >= 0 && pos < 16 * this->m_nCardInfoBlocks) << pos;
        this->m_pCardInfo[pos] = value;
    }
};

}  // namespace test
