// Whether two card images answer the same: a battery of command frames built
// from the first image (polls, system and service searches, key versions,
// reads inside, across and past the end of every service) goes to a virtual
// card of each, and every answer, or silence, must agree.
#pragma once

#include "card_image.h"

namespace test {

// Adds a test failure for every frame the two cards answer differently and
// returns how many frames were compared.
std::size_t expectSameAnswers(const felica::CardImage& expected, const felica::CardImage& actual);

}  // namespace test
