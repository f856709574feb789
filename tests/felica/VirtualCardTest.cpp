#include "TestSupport.h"
#include "frames.h"
#include "virtual_card.h"

#include <gtest/gtest.h>

using namespace felica;

namespace {

// A Suica-like card: system 0003 with history, a keyed service and the
// common area FE00 with an IDm of its own.
CardImage twoSystemCard() {
    CardImage card = test::makeCard("0101041087654321", "0003");
    SystemImage& suica = card.systems[0];
    suica.areas.push_back({0x1000, 0x17FF, 0x0200});
    std::vector<std::string> blocks;
    for (int i = 0; i < 20; ++i) blocks.push_back(std::string(30, '0') + (i < 10 ? "0" : "1") + char('0' + i % 10));
    suica.services.push_back(test::makeService(0x090F, blocks, 0x0100));
    suica.services.push_back(test::makeKeyedService(0x1848, 0x0300));
    SystemImage common;
    common.code = {0xFE, 0x00};
    common.idm = {0x11, 0x01, 0x04, 0x10, 0x87, 0x65, 0x43, 0x21};
    common.ownIdm = true;
    common.areas.push_back({0x0000, 0xFFFF, 0});
    common.services.push_back(test::makeService(0x170F, {std::string(32, 'A')}));
    card.systems.push_back(common);
    return card;
}

Idm idmOf(const Bytes& pollAnswer) {
    PollingAnswer a;
    EXPECT_EQ(decodePolling(pollAnswer, 0, a), DecodeError::None);
    return a.idm;
}

}  // namespace

TEST(VirtualCard, PollingAnswersSystemsItHasAndIsSilentOtherwise) {
    VirtualCard card(twoSystemCard());
    auto suica = card.answer(encodePolling({0x00, 0x03}, 0, 0));
    ASSERT_TRUE(suica);
    EXPECT_EQ(idmOf(*suica), card.image().systems[0].idm);
    auto common = card.answer(encodePolling({0xFE, 0x00}, 0, 0));
    ASSERT_TRUE(common);
    EXPECT_EQ(idmOf(*common), card.image().systems[1].idm);
    // FFFF is the first system; FF matches either byte.
    EXPECT_EQ(idmOf(*card.answer(encodePolling({0xFF, 0xFF}, 0, 0))), card.image().systems[0].idm);
    EXPECT_EQ(idmOf(*card.answer(encodePolling({0xFE, 0xFF}, 0, 0))), card.image().systems[1].idm);
    EXPECT_FALSE(card.answer(encodePolling({0x80, 0xDE}, 0, 0)));
    // Request code 1 appends the system code.
    auto withCode = card.answer(encodePolling({0xFF, 0xFF}, 1, 0));
    ASSERT_TRUE(withCode);
    PollingAnswer a;
    ASSERT_EQ(decodePolling(*withCode, 1, a), DecodeError::None);
    EXPECT_EQ(a.requestData, (std::array<std::uint8_t, 2>{0x00, 0x03}));
    // A time slot number cards do not accept, and a short frame: silence.
    EXPECT_FALSE(card.answer(Bytes{0x06, 0x00, 0x00, 0x03, 0x00, 0x02}));
    EXPECT_FALSE(card.answer(Bytes{0x05, 0x00, 0x00, 0x03, 0x00}));
}

TEST(VirtualCard, RequestServiceGivesKeyVersionsAndFFFFForAbsentNodes) {
    VirtualCard card(twoSystemCard());
    const Idm idm = card.image().systems[0].idm;
    const std::uint16_t nodes[] = {0x090F, 0x1848, 0x1A48, 0x1000};
    auto reply = card.answer(encodeRequestService(idm, nodes));
    ASSERT_TRUE(reply);
    std::vector<std::uint16_t> keys;
    ASSERT_EQ(decodeRequestService(*reply, idm, 4, keys), DecodeError::None);
    EXPECT_EQ(keys, (std::vector<std::uint16_t>{0x0100, 0x0300, 0xFFFF, 0x0200}));
    // The common area's IDm addresses the common area.
    const std::uint16_t edy[] = {0x170F, 0x090F};
    auto common = card.answer(encodeRequestService(card.image().systems[1].idm, edy));
    ASSERT_TRUE(common);
    ASSERT_EQ(decodeRequestService(*common, card.image().systems[1].idm, 2, keys), DecodeError::None);
    EXPECT_EQ(keys, (std::vector<std::uint16_t>{0x0000, 0xFFFF}));
    // An IDm the card does not have: silence.
    Idm stranger = idm;
    stranger[7] ^= 1;
    EXPECT_FALSE(card.answer(encodeRequestService(stranger, nodes)));
}

TEST(VirtualCard, ReadGivesBlocksInRequestOrderAndRealStatusFlags) {
    VirtualCard card(twoSystemCard());
    const Idm idm = card.image().systems[0].idm;
    const std::uint16_t history[] = {0x090F};
    ReadAnswer r;
    const BlockElement order[] = {{0, 0, 2}, {0, 0, 0}, {0, 0, 19}};
    ASSERT_EQ(decodeReadWithoutEncryption(*card.answer(encodeReadWithoutEncryption(idm, history, order)), idm, 3, r),
              DecodeError::None);
    EXPECT_EQ(r.blocks[0][15], 0x02);
    EXPECT_EQ(r.blocks[1][15], 0x00);
    EXPECT_EQ(r.blocks[2][15], 0x19);

    using Flags = std::pair<std::uint8_t, std::uint8_t>;
    auto statusOf = [&](std::span<const std::uint16_t> services, std::vector<BlockElement> blocks) {
        auto reply = card.answer(encodeReadWithoutEncryption(idm, services, blocks));
        EXPECT_TRUE(reply);
        ReadAnswer a;
        EXPECT_EQ(decodeReadWithoutEncryption(*reply, idm, blocks.size(), a), DecodeError::Status);
        return std::pair(a.statusFlag1, a.statusFlag2);
    };
    const std::uint16_t missing[] = {0x1A48};
    EXPECT_EQ((statusOf(missing, {{0, 0, 0}})), Flags(0x01, 0xA6));
    const std::uint16_t keyed[] = {0x1848};
    EXPECT_EQ((statusOf(keyed, {{0, 0, 0}}).second), 0xB1);
    EXPECT_EQ((statusOf(history, {{0, 0, 0}, {0, 0, 20}})), Flags(0x02, 0xA8));
    EXPECT_EQ((statusOf(history, {{1, 0, 0}}).second), 0xA3);
    std::vector<BlockElement> thirteen;
    for (std::uint16_t i = 0; i < 13; ++i) thirteen.push_back({0, 0, i});
    EXPECT_EQ(statusOf(history, thirteen), Flags(0xFF, 0xA2));
}

TEST(VirtualCard, SearchServiceCodeWalksAreasAndServicesToTheEnd) {
    VirtualCard card(twoSystemCard());
    const Idm idm = card.image().systems[0].idm;
    std::vector<std::string> seen;
    for (std::uint16_t i = 0;; ++i) {
        SearchAnswer s;
        ASSERT_EQ(decodeSearchServiceCode(*card.answer(encodeSearchServiceCode(idm, i)), idm, s), DecodeError::None);
        if (s.kind == SearchAnswer::Kind::End) break;
        char text[32];
        std::snprintf(text, sizeof text, s.kind == SearchAnswer::Kind::Area ? "A%04X-%04X" : "S%04X", s.code,
                      s.endCode);
        seen.push_back(text);
        ASSERT_LT(i, 10);
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"A0000-FFFF", "S090F", "A1000-17FF", "S1848"}));
}

TEST(VirtualCard, RequestSystemCodeListsEverySystem) {
    VirtualCard card(twoSystemCard());
    const Idm idm = card.image().systems[1].idm;
    std::vector<std::array<std::uint8_t, 2>> codes;
    ASSERT_EQ(decodeRequestSystemCode(*card.answer(encodeRequestSystemCode(idm)), idm, codes), DecodeError::None);
    ASSERT_EQ(codes.size(), 2u);
    EXPECT_EQ(codes[0], (std::array<std::uint8_t, 2>{0x00, 0x03}));
    EXPECT_EQ(codes[1], (std::array<std::uint8_t, 2>{0xFE, 0x00}));
}

TEST(VirtualCard, MalformedCommandsGetNoAnswer) {
    VirtualCard card(twoSystemCard());
    const Idm idm = card.image().systems[0].idm;
    Bytes lenLies = encodeRequestSystemCode(idm);
    lenLies[0] = 0x20;
    EXPECT_FALSE(card.answer(lenLies));
    Bytes shortList = encodeReadWithoutEncryption(idm, std::vector<std::uint16_t>{0x090F},
                                                  std::vector<BlockElement>{{0, 0, 0}, {0, 0, 1}});
    shortList.pop_back();
    shortList[0] = static_cast<std::uint8_t>(shortList.size());
    EXPECT_FALSE(card.answer(shortList));
    EXPECT_FALSE(card.answer(Bytes{}));
    EXPECT_FALSE(card.answer(Bytes{0x0A, 0x55, 1, 2, 3, 4, 5, 6, 7, 8}));
}
