// Capture of a card into a card image: the image must answer as the card did.
#include "EmulatedReader.h"
#include "SameAnswers.h"
#include "capture.h"
#include "felica.h"
#include "library_control.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace felica;

namespace {

CaptureResult capture(const QString& reader, const std::atomic<bool>* cancel = nullptr,
                      std::vector<std::string>* lines = nullptr) {
    test::LibrarySession session(reader);
    return captureCard(
        [lines](const CaptureProgress& p) {
            if (lines) lines->push_back(p.message);
        },
        cancel);
}

std::string blockHex(int i) {
    char b[33];
    std::snprintf(b, sizeof b, "%02X%030X", i & 0xFF, i);
    return b;
}

std::vector<std::string> blocks(int n) {
    std::vector<std::string> out;
    for (int i = 0; i < n; ++i) out.push_back(blockHex(i));
    return out;
}

}  // namespace

TEST(Capture, EverySampleCardReadsBackToTheSameAnswers) {
    const QStringList files = QDir(test::sourcePath("data/cards")).entryList({"*.json"}, QDir::Files);
    ASSERT_GE(files.size(), 10);
    test::IsolatedHome home;
    for (const QString& file : files) {
        SCOPED_TRACE(file.toStdString());
        const CardImage original = test::sampleCard(file.toUtf8().constData());
        const auto result = capture("image:" + test::sourcePath("data/cards/" + file));
        ASSERT_TRUE(result.ok()) << result.error;
        EXPECT_GT(test::expectSameAnswers(original, result.image), 50u);
        // And a capture of the capture is the same file.
        const QString copy = test::writeImage(home, result.image, "copy.json");
        const auto again = capture(copy);
        ASSERT_TRUE(again.ok()) << again.error;
        EXPECT_EQ(again.image.toJson(), result.image.toJson());
    }
}

TEST(Capture, ServicesAtTheEdgesOfTheWalk) {
    CardImage card = test::makeCard("0123456789ABCDEF", "8194");
    auto& sys = card.systems[0];
    sys.areas.push_back({0x1000, 0x17FF, 0x0203});
    sys.services.push_back(test::makeService(0x0009, {}));              // readable, no blocks
    sys.services.push_back(test::makeKeyedService(0x000B, 0x0405));     // says no key, refuses all reads
    sys.services.push_back(test::makeService(0x100F, blocks(12)));      // exactly one chunk
    sys.services.push_back(test::makeService(0x104F, blocks(13)));      // one block over
    sys.services.push_back(test::makeService(0x1088, blocks(3), 7));    // needs a key
    sys.services.push_back(test::makeService(0x108F, blocks(300)));     // more than a block number holds
    for (int i = 0; i < 40; ++i) sys.services.push_back(test::makeKeyedService(static_cast<std::uint16_t>(0x2008 + 0x40 * i)));
    card.maxBlocksPerRead = 5;
    test::IsolatedHome home;
    std::vector<std::string> lines;
    const auto result = capture(test::writeImage(home, card), nullptr, &lines);
    ASSERT_TRUE(result.ok()) << result.error;
    const auto& got = result.image.systems.at(0);
    ASSERT_EQ(got.services.size(), sys.services.size());
    EXPECT_EQ(got.areas.at(1).keyVersion, 0x0203);
    EXPECT_TRUE(got.findService(0x0009)->hasBlocks);
    EXPECT_TRUE(got.findService(0x0009)->blocks.empty());
    EXPECT_FALSE(got.findService(0x000B)->hasBlocks);
    EXPECT_EQ(got.findService(0x000B)->keyVersion, 0x0405);
    EXPECT_EQ(got.findService(0x100F)->blocks.size(), 12u);
    EXPECT_EQ(got.findService(0x104F)->blocks.size(), 13u);
    EXPECT_FALSE(got.findService(0x1088)->hasBlocks);
    EXPECT_EQ(got.findService(0x1088)->keyVersion, 7);
    EXPECT_EQ(got.findService(0x108F)->blocks.size(), kMaxCapturedBlocks);
    EXPECT_EQ(got.findService(0x108F)->blocks.back(), test::blockFromHex(blockHex(255)));
    EXPECT_EQ(got.findService(0x2008 + 0x40 * 39)->keyVersion, 0);

    // Apart from the blocks past 255, the capture answers as the card.
    CardImage trimmed = card;
    trimmed.systems[0].services[5].blocks.resize(kMaxCapturedBlocks);
    EXPECT_EQ(result.image.maxBlocksPerRead, 5);
    test::expectSameAnswers(trimmed, result.image);
    EXPECT_EQ(lines.back(), "captured 46 service(s)");
}

TEST(Capture, ThroughThePn532ReadsBackTheSame) {
    test::EmulatedReader reader;
    resetCounters();
    const auto result = capture(reader.name());
    ASSERT_TRUE(result.ok()) << result.error;
    test::expectSameAnswers(test::sampleCard(), result.image);
    EXPECT_EQ(reader.emu.stats().deviceOpens, 1u);
}

TEST(Capture, NoReaderOrNoCard) {
    EXPECT_EQ(capture("image:/nonexistent.json").outcome, CaptureResult::Outcome::NoReader);
    test::EmulatedReader reader;
    reader.emu.liftCard();
    const auto result = capture(reader.name());
    EXPECT_EQ(result.outcome, CaptureResult::Outcome::NoCard) << result.error;
}
