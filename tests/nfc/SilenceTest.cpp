// What the card or the chip does not say: a card lifted or slow, a chip that
// went quiet. Each case waits out the chip's response time, so these run
// with the slow tests.
#include "NfcSession.h"
#include "capture.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace felica;
using test::lastError;
using Session = test::NfcSession;

namespace {

CaptureResult captureOn(const QString& reader) {
    test::LibrarySession session(reader);
    return captureCard({});
}

}  // namespace

TEST(NfcSilence, CardLiftedBetweenOrDuringCommandsIsNoAnswer) {
    Session s;
    ASSERT_TRUE(open_reader_writer_auto());
    ASSERT_TRUE(s.poll());
    s.emu().liftCard();
    std::uint8_t data[20 * 16] = {};
    EXPECT_FALSE(s.read(0x090F, 0, 1, data));
    EXPECT_EQ(lastError(), FELICA_ERROR_NO_ANSWER) << lastErrorDetail();
    EXPECT_FALSE(s.poll());
    EXPECT_EQ(lastError(), FELICA_ERROR_NO_CARD);

    // Placed again it answers on the same device; lifted after the first
    // part of a long read, nothing of the read is handed out.
    s.emu().placeCard();
    ASSERT_TRUE(s.poll());
    s.emu().liftAfter(1);
    EXPECT_FALSE(s.read(0x090F, 0, 20, data));
    EXPECT_EQ(lastError(), FELICA_ERROR_NO_ANSWER);
    EXPECT_TRUE(std::all_of(std::begin(data), std::end(data), [](std::uint8_t b) { return b == 0; }));
    EXPECT_EQ(s.emu().stats().deviceOpens, 1u);
}

TEST(NfcSilence, SilentChipIsAFailureNotAHang) {
    Session s;
    ASSERT_TRUE(open_reader_writer_auto());
    s.emu().setSilent(true);
    EXPECT_FALSE(s.poll());
    EXPECT_EQ(lastError(), FELICA_ERROR_DEVICE);
    close_reader_writer();
    EXPECT_FALSE(open_reader_writer_auto());
    EXPECT_EQ(lastError(), FELICA_ERROR_READER_NOT_FOUND);
    s.emu().setSilent(false);
    ASSERT_TRUE(open_reader_writer_auto()) << lastErrorDetail();
    EXPECT_TRUE(s.poll());
}

TEST(NfcSilence, SlowCardWithinAndPastItsTimeLimit) {
    Session s;
    ASSERT_TRUE(open_reader_writer_auto());
    ASSERT_TRUE(s.poll());
    const CardImage image = test::sampleCard();
    // Twelve blocks may take 132 ms by the PMm: slower than the chip's own
    // default wait of 51.2 ms, within the wait the library sets.
    s.emu().setCardDelay(std::chrono::milliseconds(120));
    std::uint8_t data[12 * 16] = {};
    ASSERT_TRUE(s.read(0x090F, 0, 12, data)) << lastErrorDetail();
    EXPECT_TRUE(test::sameBlocks(data, image, 0x090F, 0, 12));

    // A card slower than any wait its PMm allows does not answer.
    s.emu().setCardDelay(std::chrono::milliseconds(400));
    s.emu().resetStats();
    EXPECT_FALSE(s.read(0x090F, 0, 1, data));
    EXPECT_EQ(lastError(), FELICA_ERROR_NO_ANSWER) << lastErrorDetail();
    EXPECT_EQ(s.emu().stats().exchanges, 3u);  // the first try and two repeats
    EXPECT_EQ(s.emu().stats().deviceOpens, 0u);
}

TEST(NfcSilence, CaptureOfALiftedCardOrACancelledOneGivesNoImage) {
    test::EmulatedReader reader;
    for (std::size_t after : {1u, 12u}) {  // before and during the walk of the blocks
        reader.emu.placeCard();
        reader.emu.liftAfter(after);
        const auto result = captureOn(reader.name());
        EXPECT_EQ(result.outcome, CaptureResult::Outcome::CardLost) << after << ": " << result.error;
        EXPECT_TRUE(result.image.systems.empty());
        EXPECT_FALSE(result.error.empty());
    }
    reader.emu.placeCard();
    std::atomic<bool> cancel{false};
    test::LibrarySession session(reader.name());
    const auto result = captureCard(
        [&cancel](const CaptureProgress& p) {
            if (p.servicesDone == 1) cancel = true;
        },
        &cancel);
    EXPECT_EQ(result.outcome, CaptureResult::Outcome::Cancelled);
    EXPECT_TRUE(result.image.systems.empty());
}
