// The libnfc reader end to end: the library's functions through Debian's
// libnfc and its pn532_uart driver to the PN532 emulator on a pty.
#include "NfcSession.h"
#include "nfc_transport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

using namespace felica;
using test::lastError;
using Session = test::NfcSession;


TEST(NfcReader, PollsRequestsAndReadsLikeTheCard) {
    Session s;
    ASSERT_TRUE(open_reader_writer_auto()) << lastErrorDetail();
    ASSERT_TRUE(s.poll()) << lastErrorDetail();
    EXPECT_EQ(toHex(s.idm), "01010410C8192A3B");
    EXPECT_EQ(toHex(s.pmm), "0120220427674EFF");

    std::uint8_t probes[4] = {0x48, 0x18, 0x48, 0x1A};  // 0x1848 present, 0x1A48 absent
    std::uint8_t keys[4] = {}, answered = 0;
    std::uint8_t system[2] = {0x00, 0x03};
    PollingRecord p{system, 0};
    RequestServiceRecord request{s.idm, 2, probes};
    RequestServiceResponse response{&answered, keys};
    CardRecord card{s.idm, s.pmm};
    ASSERT_TRUE(polling_and_request_service(&p, &request, &card, &response)) << lastErrorDetail();
    EXPECT_EQ(answered, 2);
    EXPECT_EQ(keys[2], 0xFF);
    EXPECT_EQ(keys[3], 0xFF);

    const CardImage image = test::sampleCard();
    std::uint8_t history[20 * 16] = {};
    ASSERT_TRUE(s.read(0x090F, 0, 20, history)) << lastErrorDetail();
    EXPECT_TRUE(test::sameBlocks(history, image, 0x090F, 0, 20));
    const std::uint8_t readWait = s.emu().stats().responseWait;

    // The common area answers with its own IDm.
    ASSERT_TRUE(s.poll(0xFE, 0x00));
    EXPECT_EQ(toHex(s.idm), "11010410C8192A3B");
    EXPECT_FALSE(s.poll(0x80, 0xDE));
    EXPECT_EQ(lastError(), FELICA_ERROR_NO_CARD);
    close_reader_writer();

    const auto stats = s.emu().stats();
    EXPECT_EQ(stats.deviceOpens, 1u);
    // The chip was told to wait as long as a twelve-block read may take.
    const auto budget = responseTimeout(image.pmm[5], 12);
    EXPECT_GE(readWait, NfcTransport::chipWaitCode(budget));
    EXPECT_GE(0.1 * (1 << (readWait - 1)), static_cast<double>(budget.count()));
}

TEST(NfcReader, CardThatAnswersOnlyAt424IsFoundThere) {
    Session s;
    s.emu().setBitRates(false, true);
    ASSERT_TRUE(open_reader_writer_auto());
    ASSERT_TRUE(s.poll()) << lastErrorDetail();
    EXPECT_EQ(s.emu().stats().polls, 2u);  // 212 found nothing, 424 did
    std::uint8_t block[16];
    ASSERT_TRUE(s.read(0x090F, 0, 1, block)) << lastErrorDetail();
    ASSERT_TRUE(s.poll(0xFF, 0xFF));  // a wildcard poll always reaches the card
    EXPECT_EQ(s.emu().stats().polls, 3u);  // the rate that worked is tried first
}

TEST(NfcReader, LineNoiseCostsOneMoreTry) {
    Session s;
    ASSERT_TRUE(open_reader_writer_auto());
    ASSERT_TRUE(s.poll());
    const CardImage image = test::sampleCard();
    for (pn532::Garble kind : {pn532::Garble::Checksum, pn532::Garble::Noise}) {
        s.emu().garble(kind, 1);
        std::uint8_t data[12 * 16] = {};
        ASSERT_TRUE(s.read(0x090F, 0, 12, data)) << lastErrorDetail();
        EXPECT_TRUE(test::sameBlocks(data, image, 0x090F, 0, 12));
    }
    s.emu().garble(pn532::Garble::Checksum, 1);
    EXPECT_TRUE(s.poll());
    EXPECT_EQ(s.emu().stats().deviceOpens, 1u);
}

TEST(NfcReader, GarbledAndShortFramesEndTheOperationCleanly) {
    Session s;
    ASSERT_TRUE(open_reader_writer_auto());
    ASSERT_TRUE(s.poll());
    std::uint8_t data[16] = {};

    // A card answer cut short inside a sound chip frame.
    s.emu().garble(pn532::Garble::ShortCard, 1);
    EXPECT_FALSE(s.read(0x090F, 0, 1, data));
    EXPECT_EQ(lastError(), FELICA_ERROR_MALFORMED_ANSWER) << lastErrorDetail();

    // A chip frame that breaks off: the host stops waiting, and the device
    // is not trusted again.
    s.emu().garble(pn532::Garble::Truncated, 1);
    EXPECT_FALSE(s.read(0x090F, 0, 1, data));
    EXPECT_EQ(lastError(), FELICA_ERROR_DEVICE);
    EXPECT_NE(lastErrorDetail().find("libnfc"), std::string::npos) << lastErrorDetail();
    EXPECT_FALSE(s.read(0x090F, 0, 1, data));
    close_reader_writer();

    // Every frame garbled: the second try fails too.
    s.emu().garble(pn532::Garble::Checksum, 1000);
    ASSERT_TRUE(open_reader_writer_auto()) << lastErrorDetail();
    EXPECT_FALSE(s.poll());
    EXPECT_EQ(lastError(), FELICA_ERROR_DEVICE);
    close_reader_writer();

    // Each failed device was dropped; a sound line works again.
    s.emu().garble(pn532::Garble::Checksum, 0);
    ASSERT_TRUE(open_reader_writer_auto());
    EXPECT_TRUE(s.poll()) << lastErrorDetail();
    EXPECT_EQ(s.emu().stats().deviceOpens, 3u);
}

TEST(NfcReader, ReaderThatDisappearsIsAFailureNotAHang) {
    Session s;
    ASSERT_TRUE(open_reader_writer_auto());
    ASSERT_TRUE(s.poll());
    s.emu().disconnect();
    std::uint8_t data[16];
    EXPECT_FALSE(s.read(0x090F, 0, 1, data));
    EXPECT_EQ(lastError(), FELICA_ERROR_DEVICE);
    EXPECT_FALSE(s.poll());
    close_reader_writer();
    EXPECT_FALSE(open_reader_writer_auto());
    EXPECT_EQ(lastError(), FELICA_ERROR_READER_NOT_FOUND);
    EXPECT_FALSE(readerKept());
}

TEST(NfcReader, OddConnectionStringsGetAClearError) {
    test::LibrarySession session;
    const std::vector<std::string> names = {
        "nfc:",
        "nfc:" + std::string(2000, 'x'),
        "nfc:pn532_uart:/dev/pts/0\n",
        "nfc:nosuchdriver:/dev/ttyUSB0",
        "nfc:pn532_uart:",
        "nfc:pn532_uart:/dev/null",
        "nfc:pn532_uart:/nonexistent:fast",
    };
    for (const std::string& name : names) {
        set_reader_writer_name(name.c_str());
        EXPECT_FALSE(open_reader_writer_auto()) << name;
        EXPECT_EQ(lastError(), FELICA_ERROR_READER_NOT_FOUND) << name;
        EXPECT_FALSE(lastErrorDetail().empty()) << name;
    }
}

TEST(NfcReader, ChipWaitCoversTheBudget) {
    for (int ms : {1, 51, 103, 132, 205, 800, 1700, 5000}) {
        const std::uint8_t code = NfcTransport::chipWaitCode(std::chrono::milliseconds(ms));
        EXPECT_GE(code, 0x0B);
        EXPECT_LE(code, 0x10);
        if (ms <= 3276) {
            EXPECT_GE(0.1 * (1 << (code - 1)), ms) << ms;
        }
        if (code > 0x0B) {
            EXPECT_LT(0.1 * (1 << (code - 2)), ms) << ms;  // and no longer than needed
        }
    }
}
