#include "CSFCard.h"
#include "CardTypes.h"
#include "StringTable.h"
#include "TestSupport.h"
#include "felica.h"

#include <gtest/gtest.h>

#include <vector>

using felica::CardImage;

namespace {

// A card class made for the tests, with chosen reading parameters.
class TestCard : public CSFCard {
public:
    explicit TestCard(const CardTypeInfo& type) {
        ApplyCardType(type);
        m_History.assign(16 * static_cast<std::size_t>(m_nHistoryBlocks), 0);
        AttachHistoryBuffer(m_History.data(), m_History.size());
        m_Log.assign(48, 0);
        AttachTicketBarrierLogBuffer(m_Log.data(), m_Log.size());
        if (m_nCardInfoBlocks > 0) {
            m_Info.assign(16 * static_cast<std::size_t>(m_nCardInfoBlocks), 0);
            AttachCardInfoBuffer(m_Info.data(), m_Info.size());
        }
    }
    int KeyVersionByte(int i, int b) const { return m_KeyVersion[i][b]; }

private:
    std::vector<std::uint8_t> m_History, m_Log, m_Info;
};

CardTypeInfo typeFor(std::uint8_t sc0, std::uint8_t sc1, int history, int blocks, int log = 0,
                     int info = 0, int infoBlocks = 0) {
    return CardTypeInfo{99, "TestCard", "Test", "Test", "Test", "", 0, true, {sc0, sc1},
                        history, blocks, log, info, infoBlocks, 0, nullptr};
}

const CardTypeInfo kSuicaLike = typeFor(0x00, 0x03, 0x090F, 20, 0x108F);
const CardTypeInfo kEdyLike = typeFor(0xFE, 0x00, 0x170F, 6, 0, 0x110B, 2);

std::string block(int tag) {
    char b[48];
    std::snprintf(b, sizeof b, "%02X%028d%02X", tag, 0, tag);
    return b;
}

CardImage suicaCard(std::vector<std::uint16_t> probes) {
    CardImage card = test::makeCard("0101041087654321", "0003");
    std::vector<std::string> history, log;
    for (int i = 0; i < 20; ++i) history.push_back(block(i));
    for (int i = 0; i < 3; ++i) log.push_back(block(0xA0 + i));
    card.systems[0].services.push_back(test::makeService(0x090F, history));
    card.systems[0].services.push_back(test::makeService(0x108F, log));
    for (auto p : probes) card.systems[0].services.push_back(test::makeKeyedService(p, 0x0001));
    return card;
}

// Runs `body` with the card on a scripted reader and a recording sink.
struct Bench {
    explicit Bench(CardImage image)
        : transport(std::make_shared<test::ScriptedTransport>(std::move(image))),
          override(transport), sink(&messages), session("image:test") {}
    std::shared_ptr<test::ScriptedTransport> transport;
    test::TransportOverride override;
    RecordingMessageSink messages;
    ScopedMessageSink sink;
    test::LibrarySession session;
};

}  // namespace

TEST(CSFCard, PlainCardIsUnrecognisedWithoutReaderTraffic) {
    Bench bench(suicaCard({}));
    CSFCard plain;
    EXPECT_FALSE(plain.DetectCard());
    EXPECT_TRUE(plain.ReadHistory());
    EXPECT_TRUE(plain.ReadTicketBarrierLog());
    EXPECT_TRUE(plain.ReadCardInfo());
    EXPECT_EQ(bench.override.opens(), 0u);
    EXPECT_TRUE(bench.messages.messages.isEmpty());
    EXPECT_EQ(plain.GetSystemCode(), 0xFFFF);
    EXPECT_EQ(plain.GetHistoryCount(), 0);
    EXPECT_EQ(plain.GetHistoryData(0), 0);
    EXPECT_EQ(plain.GetCardNumber(), QString());
    EXPECT_EQ(plain.GetIssuerKind(), 0);
    EXPECT_EQ(plain.GetTradeFlags(0), 0);
    EXPECT_EQ(plain.GetIDm(4), 0);
}

TEST(CSFCard, ReadsHistoryGateLogAndLearnsTheIssuerKind) {
    Bench bench(suicaCard({0x1848, 0x1CC8}));
    TestCard card(kSuicaLike);
    ASSERT_TRUE(card.DetectCard());
    ASSERT_TRUE(card.ReadHistory());
    ASSERT_TRUE(card.ReadTicketBarrierLog());
    EXPECT_TRUE(bench.messages.messages.isEmpty());
    EXPECT_EQ(card.GetIssuerKind(), 6);  // 0x1CC8 wins over 0x1848
    EXPECT_EQ(card.GetIDm(0), 0x01);
    EXPECT_EQ(card.GetIDm(7), 0x21);
    EXPECT_EQ(card.GetPMm(1), 0x20);
    for (int r = 0; r < 20; ++r) {
        EXPECT_EQ(card.GetHistoryData(16 * r), r);
        EXPECT_EQ(card.GetHistoryData(16 * r + 15), r);
    }
    EXPECT_EQ(card.GetHistoryData(320), 0);  // past the buffer
    EXPECT_EQ(card.GetTicketBarrierLogData(32), 0xA2);
    // The reader was closed after every procedure.
    EXPECT_TRUE(open_reader_writer_auto());
    close_reader_writer();
}

TEST(CSFCard, IssuerKindFollowsTheFirstProbeServicePresent) {
    const std::vector<std::pair<std::vector<std::uint16_t>, int>> cases = {
        {{}, 0}, {{0x1848}, 1}, {{0x1A48}, 2}, {{0x1B88}, 3}, {{0x324C}, 4},
        {{0x3388}, 5}, {{0x1CC8}, 6}, {{0x1A48, 0x3388}, 2}, {{0x1848, 0x1CC8}, 6}};
    for (const auto& [probes, kind] : cases) {
        Bench bench(suicaCard(probes));
        TestCard card(kSuicaLike);
        ASSERT_TRUE(card.ReadHistory());
        EXPECT_EQ(card.GetIssuerKind(), kind) << probes.size();
    }
}

TEST(CSFCard, HistoryServiceZeroNeedsNoReader) {
    Bench bench(suicaCard({}));
    TestCard card(typeFor(0x00, 0x03, 0, 0));
    EXPECT_TRUE(card.ReadHistory());
    EXPECT_EQ(bench.override.opens(), 0u);
}

TEST(CSFCard, CommonAreaCardWithoutTheClassServiceIsNotDetected) {
    CardImage card = test::makeCard("0101041087654321", "0003");
    felica::SystemImage common;
    common.code = {0xFE, 0x00};
    common.idm = {0x11, 1, 2, 3, 4, 5, 6, 7};
    common.areas.push_back({0, 0xFFFF, 0});
    common.services.push_back(test::makeService(0x300F, {block(1)}));
    card.systems.push_back(common);
    Bench bench(card);
    TestCard edy(kEdyLike);
    EXPECT_FALSE(edy.DetectCard());
    // The poll itself found the common area.
    EXPECT_EQ(edy.GetIDm(0), 0x11);
    EXPECT_TRUE(bench.messages.messages.isEmpty());
    TestCard jal(typeFor(0xFE, 0x00, 0x300F, 3));
    EXPECT_TRUE(jal.DetectCard());
}

TEST(CSFCard, CardNumberBlocksAreReadAndShownInHex) {
    CardImage card = test::makeCard("0101041087654321", "FE00");
    card.systems[0].services.push_back(test::makeService(0x170F, {block(1)}));
    card.systems[0].services.push_back(test::makeService(0x110B, {block(0x12), block(0x34)}));
    Bench bench(card);
    TestCard edy(kEdyLike);
    EXPECT_EQ(edy.GetCardNumber(), QString(64, '0'));  // zero-filled before the read
    ASSERT_TRUE(edy.DetectCard());
    ASSERT_TRUE(edy.ReadCardInfo());
    EXPECT_EQ(edy.GetCardNumber(), QString::fromStdString(block(0x12) + block(0x34)));
}

TEST(CSFCard, FailuresShowTheirMessages) {
    {
        // No reader at all: 1028.
        RecordingMessageSink messages;
        ScopedMessageSink sink(&messages);
        test::LibrarySession session("image:/nonexistent/card.json");
        TestCard card(kSuicaLike);
        EXPECT_FALSE(card.ReadHistory());
        EXPECT_FALSE(card.DetectCard());
        EXPECT_FALSE(card.ReadTicketBarrierLog());
        EXPECT_EQ(messages.messages, QStringList({LoadString(1028), LoadString(1028), LoadString(1028)}));
    }
    {
        // A card of another system: 1101, and no message from DetectCard.
        Bench bench(suicaCard({}));
        TestCard card(typeFor(0x80, 0xDE, 0x090F, 20));
        EXPECT_FALSE(card.DetectCard());
        EXPECT_FALSE(card.ReadHistory());
        EXPECT_EQ(bench.messages.messages, QStringList({LoadString(1101)}));
    }
    {
        // The card goes silent after the poll: 1040, and the buffer stays zero.
        Bench bench(suicaCard({}));
        bench.transport->filter = [](std::size_t i, felica::TransceiveStatus s, felica::Bytes& a) {
            if (i >= 2) {
                a.clear();
                return felica::TransceiveStatus::NoAnswer;
            }
            return s;
        };
        TestCard card(kSuicaLike);
        EXPECT_FALSE(card.ReadHistory());
        EXPECT_EQ(bench.messages.messages, QStringList({LoadString(1040)}));
        EXPECT_EQ(card.GetIDm(0), 0x01);
        for (int p = 0; p < 320; ++p) ASSERT_EQ(card.GetHistoryData(p), 0);
    }
    {
        // A gate log the card lacks: 1040.
        CardImage image = suicaCard({});
        image.systems[0].services.erase(image.systems[0].services.begin() + 1);
        Bench bench(image);
        TestCard card(kSuicaLike);
        ASSERT_TRUE(card.ReadHistory());
        EXPECT_FALSE(card.ReadTicketBarrierLog());
        EXPECT_EQ(bench.messages.messages, QStringList({LoadString(1040)}));
    }
}

TEST(CardTypes, TableAndModes) {
    ASSERT_NE(FindCardType(0), nullptr);
    EXPECT_EQ(QString::fromUtf8(FindCardType(0)->label), "UNKNOWN");
    EXPECT_EQ(ModeLabel(0), "Auto");
    EXPECT_EQ(ModeLabel(12), QString());
    EXPECT_EQ(ModeFromCommandId(32800), 0);
    EXPECT_EQ(ModeFromCommandId(32812), -1);
    auto plain = CreateCard(0);
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->GetSystemCode(), 0xFFFF);
    EXPECT_EQ(CreateCard(12), nullptr);
}
