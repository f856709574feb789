#include "frames.h"

#include <gtest/gtest.h>

#include <random>

using namespace felica;

namespace {

const Idm kIdm{0x01, 0x01, 0x04, 0x10, 0x8E, 0x1F, 0x2A, 0x3B};
const Idm kOther{0x01, 0x01, 0x04, 0x10, 0x8E, 0x1F, 0x2A, 0x3C};

Bytes withIdm(std::initializer_list<std::uint8_t> head, const Idm& idm, std::initializer_list<std::uint8_t> tail) {
    Bytes b(head);
    b.insert(b.end(), idm.begin(), idm.end());
    b.insert(b.end(), tail);
    b[0] = static_cast<std::uint8_t>(b.size());
    return b;
}

}  // namespace

TEST(Frames, PollingBothWays) {
    EXPECT_EQ(encodePolling({0x00, 0x03}, 0, 0), (Bytes{0x06, 0x00, 0x00, 0x03, 0x00, 0x00}));
    EXPECT_EQ(encodePolling({0xFF, 0xFF}, 1, 0x0F), (Bytes{0x06, 0x00, 0xFF, 0xFF, 0x01, 0x0F}));

    Bytes answer{0x12, 0x01};
    answer.insert(answer.end(), kIdm.begin(), kIdm.end());
    for (int i = 0; i < 8; ++i) answer.push_back(static_cast<std::uint8_t>(0xA0 + i));
    PollingAnswer a;
    ASSERT_EQ(decodePolling(answer, 0, a), DecodeError::None);
    EXPECT_EQ(a.idm, kIdm);
    EXPECT_EQ(a.pmm[7], 0xA7);
    EXPECT_FALSE(a.hasRequestData);

    // Asked for the system code, an 18-byte answer is short.
    EXPECT_EQ(decodePolling(answer, 1, a), DecodeError::BadLength);
    Bytes withSc = answer;
    withSc.push_back(0x00);
    withSc.push_back(0x03);
    withSc[0] = 20;
    ASSERT_EQ(decodePolling(withSc, 1, a), DecodeError::None);
    EXPECT_EQ(a.requestData, (std::array<std::uint8_t, 2>{0x00, 0x03}));

    Bytes badCode = answer;
    badCode[1] = 0x03;
    EXPECT_EQ(decodePolling(badCode, 0, a), DecodeError::BadCode);
    Bytes badLen = answer;
    badLen[0] = 0x11;
    EXPECT_EQ(decodePolling(badLen, 0, a), DecodeError::BadLength);
    EXPECT_EQ(decodePolling(std::span(answer).first(17), 0, a), DecodeError::BadLength);
    EXPECT_EQ(decodePolling({}, 0, a), DecodeError::Empty);
}

TEST(Frames, RequestServiceBothWays) {
    const std::uint16_t nodes[] = {0x090F, 0x1848};
    EXPECT_EQ(encodeRequestService(kIdm, nodes),
              withIdm({0, 0x02}, kIdm, {0x02, 0x0F, 0x09, 0x48, 0x18}));

    std::vector<std::uint16_t> keys;
    const Bytes ok = withIdm({0, 0x03}, kIdm, {0x02, 0x00, 0x01, 0xFF, 0xFF});
    ASSERT_EQ(decodeRequestService(ok, kIdm, 2, keys), DecodeError::None);
    EXPECT_EQ(keys, (std::vector<std::uint16_t>{0x0100, 0xFFFF}));

    EXPECT_EQ(decodeRequestService(ok, kOther, 2, keys), DecodeError::IdmMismatch);
    EXPECT_EQ(decodeRequestService(ok, kIdm, 3, keys), DecodeError::BadLength);
    const Bytes countLies = withIdm({0, 0x03}, kIdm, {0x05, 0x00, 0x01, 0xFF, 0xFF});
    EXPECT_EQ(decodeRequestService(countLies, kIdm, 2, keys), DecodeError::BadLength);
    EXPECT_EQ(decodeRequestService(std::span(ok).first(9), kIdm, 2, keys), DecodeError::BadLength);
}

TEST(Frames, ReadWithoutEncryptionBothWays) {
    const std::uint16_t services[] = {0x090F};
    const BlockElement blocks[] = {{0, 0, 0}, {0, 0, 1}, {0, 0, 0x1234}};
    EXPECT_EQ(encodeReadWithoutEncryption(kIdm, services, blocks),
              withIdm({0, 0x06}, kIdm, {0x01, 0x0F, 0x09, 0x03, 0x80, 0x00, 0x80, 0x01, 0x00, 0x34, 0x12}));

    Bytes ok = withIdm({0, 0x07}, kIdm, {0x00, 0x00, 0x02});
    for (int i = 0; i < 32; ++i) ok.push_back(static_cast<std::uint8_t>(i));
    ok[0] = static_cast<std::uint8_t>(ok.size());
    ReadAnswer r;
    ASSERT_EQ(decodeReadWithoutEncryption(ok, kIdm, 2, r), DecodeError::None);
    ASSERT_EQ(r.blocks.size(), 2u);
    EXPECT_EQ(r.blocks[1][0], 16);
    EXPECT_EQ(r.blocks[1][15], 31);

    EXPECT_EQ(decodeReadWithoutEncryption(ok, kIdm, 3, r), DecodeError::BadLength);
    EXPECT_EQ(decodeReadWithoutEncryption(ok, kOther, 2, r), DecodeError::IdmMismatch);
    Bytes truncated(ok.begin(), ok.end() - 1);
    truncated[0] = static_cast<std::uint8_t>(truncated.size());
    EXPECT_EQ(decodeReadWithoutEncryption(truncated, kIdm, 2, r), DecodeError::BadLength);

    const Bytes refused = withIdm({0, 0x07}, kIdm, {0x01, 0xA8});
    EXPECT_EQ(decodeReadWithoutEncryption(refused, kIdm, 2, r), DecodeError::Status);
    EXPECT_EQ(r.statusFlag1, 0x01);
    EXPECT_EQ(r.statusFlag2, 0xA8);
    EXPECT_TRUE(r.blocks.empty());
    // An error status followed by data is not a frame a card sends.
    Bytes refusedWithData = refused;
    refusedWithData.push_back(0x01);
    refusedWithData[0] = static_cast<std::uint8_t>(refusedWithData.size());
    EXPECT_EQ(decodeReadWithoutEncryption(refusedWithData, kIdm, 1, r), DecodeError::BadLength);
}

TEST(Frames, SearchServiceCodeBothWays) {
    EXPECT_EQ(encodeSearchServiceCode(kIdm, 0x0102), withIdm({0, 0x0A}, kIdm, {0x02, 0x01}));
    SearchAnswer s;
    ASSERT_EQ(decodeSearchServiceCode(withIdm({0, 0x0B}, kIdm, {0x0F, 0x09}), kIdm, s), DecodeError::None);
    EXPECT_EQ(s.kind, SearchAnswer::Kind::Service);
    EXPECT_EQ(s.code, 0x090F);
    ASSERT_EQ(decodeSearchServiceCode(withIdm({0, 0x0B}, kIdm, {0x00, 0x10, 0xFF, 0x17}), kIdm, s),
              DecodeError::None);
    EXPECT_EQ(s.kind, SearchAnswer::Kind::Area);
    EXPECT_EQ(s.code, 0x1000);
    EXPECT_EQ(s.endCode, 0x17FF);
    ASSERT_EQ(decodeSearchServiceCode(withIdm({0, 0x0B}, kIdm, {0xFF, 0xFF}), kIdm, s), DecodeError::None);
    EXPECT_EQ(s.kind, SearchAnswer::Kind::End);
    EXPECT_EQ(decodeSearchServiceCode(withIdm({0, 0x0B}, kIdm, {0xFF, 0xFF, 0x00}), kIdm, s),
              DecodeError::BadLength);
}

TEST(Frames, RequestSystemCodeBothWays) {
    EXPECT_EQ(encodeRequestSystemCode(kIdm), withIdm({0, 0x0C}, kIdm, {}));
    std::vector<std::array<std::uint8_t, 2>> codes;
    ASSERT_EQ(decodeRequestSystemCode(withIdm({0, 0x0D}, kIdm, {0x02, 0x00, 0x03, 0xFE, 0x00}), kIdm, codes),
              DecodeError::None);
    ASSERT_EQ(codes.size(), 2u);
    EXPECT_EQ(codes[1], (std::array<std::uint8_t, 2>{0xFE, 0x00}));
    EXPECT_EQ(decodeRequestSystemCode(withIdm({0, 0x0D}, kIdm, {0x00}), kIdm, codes), DecodeError::BadLength);
    EXPECT_EQ(decodeRequestSystemCode(withIdm({0, 0x0D}, kIdm, {0x02, 0x00, 0x03}), kIdm, codes),
              DecodeError::BadLength);
}

// Garbage of every length: decoders answer with an error and read nothing
// past the end (the sanitizer build checks the latter).
TEST(Frames, RandomAnswersNeverCrashDecoders) {
    std::mt19937 rng(1234);
    for (int round = 0; round < 20000; ++round) {
        Bytes b(rng() % 300);
        for (auto& x : b) x = static_cast<std::uint8_t>(rng());
        if (!b.empty() && rng() % 2) b[0] = static_cast<std::uint8_t>(b.size());
        if (b.size() > 1 && rng() % 2) b[1] = static_cast<std::uint8_t>(1 + 2 * (rng() % 7));
        if (b.size() >= 10 && rng() % 2) std::copy(kIdm.begin(), kIdm.end(), b.begin() + 2);
        PollingAnswer p;
        ReadAnswer r;
        SearchAnswer s;
        std::vector<std::uint16_t> keys;
        std::vector<std::array<std::uint8_t, 2>> codes;
        std::uint8_t mode;
        decodePolling(b, rng() % 3, p);
        decodeRequestService(b, kIdm, rng() % 33, keys);
        decodeReadWithoutEncryption(b, kIdm, rng() % 16, r);
        decodeSearchServiceCode(b, kIdm, s);
        decodeRequestSystemCode(b, kIdm, codes);
        decodeRequestResponse(b, kIdm, mode);
    }
    SUCCEED();
}
