#include "TestSupport.h"
#include "felica.h"
#include "library_control.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <iterator>

using namespace felica;

namespace {

CardImage historyCard(int blocks, int maxPerRead = 12) {
    CardImage card = test::makeCard("0101041087654321", "0003");
    card.maxBlocksPerRead = maxPerRead;
    std::vector<std::string> hex;
    for (int i = 0; i < blocks; ++i) {
        char b[48];
        std::snprintf(b, sizeof b, "%02X%030d", i, i);
        hex.push_back(b);
    }
    card.systems[0].services.push_back(test::makeService(0x090F, hex));
    card.systems[0].services.push_back(test::makeKeyedService(0x1848, 0x0102));
    return card;
}

int lastError() {
    int e = -1;
    get_last_error_type(&e);
    return e;
}

struct Reader {
    std::uint8_t idm[8] = {};
    std::uint8_t pmm[8] = {};
    std::uint8_t system[2] = {0x00, 0x03};

    bool poll() {
        PollingRecord p{system, 0};
        CardRecord c{idm, pmm};
        std::uint8_t n = 0;
        return polling_and_get_card_information(&p, &n, &c) && n == 1;
    }
    // Reads blocks 0..n-1 of 090F; returns the library's result.
    bool read(int n, std::uint8_t* data, std::uint8_t* count = nullptr) {
        std::uint8_t service[2] = {0x0F, 0x09};
        std::vector<std::uint8_t> list;
        for (int i = 0; i < n; ++i) {
            list.push_back(0x80);
            list.push_back(static_cast<std::uint8_t>(i));
        }
        ReadBlockRecord r{idm, 1, service, static_cast<std::uint8_t>(n), list.data()};
        std::uint8_t s1 = 0, s2 = 0, c = 0;
        ReadBlockResponse resp{&s1, &s2, count ? count : &c, data};
        return read_block_without_encryption(&r, &resp);
    }
};

}  // namespace

TEST(Library, InitialisationIsCountedPerHolder) {
    test::IsolatedHome home;
    const QString reader = test::writeImage(home, historyCard(1));
    ASSERT_TRUE(initialize_library());
    ASSERT_TRUE(initialize_library());
    set_reader_writer_name(reader.toUtf8().constData());
    ASSERT_TRUE(dispose_library());  // the second holder lets go
    EXPECT_TRUE(open_reader_writer_auto());
    EXPECT_TRUE(close_reader_writer());
    ASSERT_TRUE(dispose_library());
    EXPECT_FALSE(open_reader_writer_auto());
    EXPECT_EQ(lastError(), FELICA_ERROR_NOT_INITIALIZED);
    EXPECT_FALSE(dispose_library());
}

TEST(Library, UnknownReadersFailCleanly) {
    test::LibrarySession session;
    for (const char* name : {"nfc", "nfc:pn532_uart:/dev/null", "image:/nonexistent.json", "serial"}) {
        set_reader_writer_name(name);
        EXPECT_FALSE(open_reader_writer_auto()) << name;
        EXPECT_EQ(lastError(), FELICA_ERROR_READER_NOT_FOUND) << name;
    }
    EXPECT_TRUE(close_reader_writer());  // closing a reader that is not open
    Reader r;
    EXPECT_FALSE(r.poll());
    EXPECT_EQ(lastError(), FELICA_ERROR_READER_NOT_OPEN);
}

TEST(Library, PollingWritesIdmAndPmmOrReportsNoCard) {
    test::IsolatedHome home;
    test::LibrarySession session(test::writeImage(home, historyCard(1)));
    ASSERT_TRUE(open_reader_writer_auto());
    Reader r;
    ASSERT_TRUE(r.poll());
    EXPECT_EQ(felica::toHex(r.idm), "0101041087654321");
    EXPECT_EQ(r.pmm[1], 0x20);
    r.system[0] = 0xFE;
    r.system[1] = 0x00;
    std::uint8_t n = 7;
    PollingRecord p{r.system, 0};
    CardRecord c{r.idm, r.pmm};
    EXPECT_FALSE(polling_and_get_card_information(&p, &n, &c));
    EXPECT_EQ(n, 0);
    EXPECT_EQ(lastError(), FELICA_ERROR_NO_CARD);
}

TEST(Library, ACardImageChangedBetweenOpensIsReadAgain) {
    const auto threadsBefore = std::distance(std::filesystem::directory_iterator("/proc/self/task"),
                                             std::filesystem::directory_iterator{});
    test::IsolatedHome home;
    test::LibrarySession session(test::writeImage(home, historyCard(1)));
    Reader r;
    for (const char* idm : {"0101041087654321", "0101041087654321", "01010410AAAAAAAA", "0101041087654399"}) {
        CardImage card = historyCard(1);
        card.idm = test::makeCard(idm, "0003").idm;
        card.systems[0].idm = card.idm;
        test::writeImage(home, card);  // the same size each time: only the content and time differ
        ASSERT_TRUE(open_reader_writer_auto());
        ASSERT_TRUE(r.poll());
        EXPECT_EQ(felica::toHex(r.idm), idm);
        ASSERT_TRUE(close_reader_writer());
    }
    // A card image is kept between opens, but holds no device that a thread
    // would have to give back: the reads started none.
    EXPECT_TRUE(felica::readerKept());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("/proc/self/task"),
                            std::filesystem::directory_iterator{}),
              threadsBefore);
}

TEST(Library, TheCardIsIdentifiedOnceAndFollowedWhenExchanged) {
    auto transport = std::make_shared<test::ScriptedTransport>(historyCard(20));
    test::TransportOverride override(transport);
    test::LibrarySession session("image:any");
    ASSERT_TRUE(open_reader_writer_auto());
    resetCounters();
    Reader r;
    // One wildcard poll and one Request System Code answer every later poll.
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(r.poll());
        std::uint8_t absent[2] = {0x80, 0xDE};
        PollingRecord p{absent, 0};
        CardRecord c{r.idm, r.pmm};
        std::uint8_t n = 9;
        EXPECT_FALSE(polling_and_get_card_information(&p, &n, &c));
        EXPECT_EQ(lastError(), FELICA_ERROR_NO_CARD);
    }
    EXPECT_EQ(counters().commandsSent, 2u);
    EXPECT_EQ(felica::toHex(r.idm), "0101041087654321");
    // Another card is put on the reader: the next request follows it, as a
    // read that starts with Request Service does.
    CardImage other = historyCard(20);
    other.idm = test::makeCard("01010410AAAAAAAA", "0003").idm;
    other.systems[0].idm = other.idm;
    transport->reader().card() = VirtualCard(other);
    std::uint8_t service[2] = {0x48, 0x18};
    std::uint8_t keys[2] = {}, n = 0;
    RequestServiceRecord request{r.idm, 1, service};
    RequestServiceResponse response{&n, keys};
    CardRecord card{r.idm, r.pmm};
    PollingRecord polling{r.system, 0};
    set_check_idm_flag(0);
    ASSERT_TRUE(polling_and_request_service(&polling, &request, &card, &response)) << lastErrorDetail();
    EXPECT_EQ(felica::toHex(r.idm), "01010410AAAAAAAA");
    std::uint8_t data[20 * 16] = {};
    EXPECT_TRUE(r.read(20, data)) << lastErrorDetail();
    // Without the cache every poll goes out.
    setCardCache(false);
    resetCounters();
    ASSERT_TRUE(r.poll());
    ASSERT_TRUE(r.poll());
    EXPECT_EQ(counters().commandsSent, 2u);
    setCardCache(true);
}

TEST(Library, LongReadsAreSplitToWhatTheCardAccepts) {
    test::IsolatedHome home;
    for (int perRead : {12, 5, 1}) {
        auto transport = std::make_shared<test::ScriptedTransport>(historyCard(20, perRead));
        test::TransportOverride override(transport);
        test::LibrarySession session("image:any");
        ASSERT_TRUE(open_reader_writer_auto());
        Reader r;
        ASSERT_TRUE(r.poll());
        std::uint8_t data[20 * 16] = {};
        std::uint8_t count = 0;
        ASSERT_TRUE(r.read(20, data, &count)) << perRead << ": " << lastErrorDetail();
        EXPECT_EQ(count, 20);
        for (int i = 0; i < 20; ++i) EXPECT_EQ(data[16 * i], i) << "block " << i << " with " << perRead;
        close_reader_writer();
    }
}

TEST(Library, FailedReadLeavesTheBufferUntouched) {
    auto transport = std::make_shared<test::ScriptedTransport>(historyCard(20));
    test::TransportOverride override(transport);
    test::LibrarySession session("image:any");
    ASSERT_TRUE(open_reader_writer_auto());
    Reader r;
    ASSERT_TRUE(r.poll());
    // The card is lifted after the first twelve blocks arrived.
    transport->filter = [](std::size_t i, TransceiveStatus s, Bytes& a) {
        if (i >= 2) {
            a.clear();
            return TransceiveStatus::NoAnswer;
        }
        return s;
    };
    std::uint8_t data[20 * 16];
    std::memset(data, 0x5A, sizeof data);
    std::uint8_t count = 9;
    EXPECT_FALSE(r.read(20, data, &count));
    EXPECT_EQ(lastError(), FELICA_ERROR_NO_ANSWER);
    EXPECT_EQ(count, 0);
    for (std::uint8_t b : data) ASSERT_EQ(b, 0x5A);
}

TEST(Library, GarbledAnswersAndVanishingReadersAreFailures) {
    auto transport = std::make_shared<test::ScriptedTransport>(historyCard(4));
    test::TransportOverride override(transport);
    test::LibrarySession session("image:any");
    ASSERT_TRUE(open_reader_writer_auto());
    Reader r;
    ASSERT_TRUE(r.poll());
    std::uint8_t data[4 * 16];
    transport->filter = [](std::size_t, TransceiveStatus s, Bytes& a) {
        if (a.size() > 12) a.resize(a.size() - 3);  // truncated frame
        return s;
    };
    EXPECT_FALSE(r.read(4, data));
    EXPECT_EQ(lastError(), FELICA_ERROR_MALFORMED_ANSWER);
    transport->filter = [](std::size_t, TransceiveStatus s, Bytes& a) {
        if (a.size() > 9) a[9] ^= 0xFF;  // another card's IDm
        return s;
    };
    EXPECT_FALSE(r.read(4, data));
    EXPECT_EQ(lastError(), FELICA_ERROR_IDM_MISMATCH);
    transport->filter = [](std::size_t, TransceiveStatus, Bytes& a) {
        a.clear();
        return TransceiveStatus::DeviceGone;
    };
    EXPECT_FALSE(r.read(4, data));
    EXPECT_EQ(lastError(), FELICA_ERROR_DEVICE);
    EXPECT_FALSE(r.poll());
    EXPECT_EQ(lastError(), FELICA_ERROR_DEVICE);
}

TEST(Library, RequestServiceReportsKeyVersionsAndChecksTheIdmWhenAsked) {
    test::IsolatedHome home;
    test::LibrarySession session(test::writeImage(home, historyCard(1)));
    ASSERT_TRUE(open_reader_writer_auto());
    std::uint8_t system[2] = {0x00, 0x03};
    PollingRecord polling{system, 0};
    std::uint8_t services[6] = {0x0F, 0x09, 0x48, 0x18, 0x48, 0x1A};
    std::uint8_t idm[8] = {}, pmm[8] = {}, keys[6] = {}, n = 0;
    RequestServiceRecord request{idm, 3, services};
    CardRecord card{idm, pmm};
    RequestServiceResponse response{&n, keys};
    set_check_idm_flag(0);
    ASSERT_TRUE(polling_and_request_service(&polling, &request, &card, &response));
    EXPECT_EQ(n, 3);
    EXPECT_EQ(felica::toHex(keys), "00000201FFFF");  // low byte first
    // With the check on, a request meant for another card fails.
    set_check_idm_flag(1);
    std::uint8_t otherIdm[8] = {9, 9, 9, 9, 9, 9, 9, 9};
    RequestServiceRecord other{otherIdm, 3, services};
    CardRecord scratch{otherIdm, pmm};
    EXPECT_FALSE(polling_and_request_service(&polling, &other, &scratch, &response));
    EXPECT_EQ(lastError(), FELICA_ERROR_IDM_MISMATCH);
    EXPECT_TRUE(polling_and_request_service(&polling, &request, &card, &response));
    set_check_idm_flag(0);
}

TEST(Library, SystemCodesAndServiceSearch) {
    test::IsolatedHome home;
    CardImage image = historyCard(2);
    SystemImage common;
    common.code = {0xFE, 0x00};
    common.idm = {0x11, 1, 2, 3, 4, 5, 6, 7};
    common.areas.push_back({0, 0xFFFF, 0});
    image.systems.push_back(common);
    test::LibrarySession session(test::writeImage(home, image));
    ASSERT_TRUE(open_reader_writer_auto());
    std::uint8_t any[2] = {0xFF, 0xFF};
    PollingRecord polling{any, 0};
    std::uint8_t idm[8] = {}, pmm[8] = {}, codes[32] = {};
    SystemCodeRequest request{idm};
    CardRecord card{idm, pmm};
    SystemCodeResponse systems{0, codes};
    ASSERT_TRUE(polling_and_request_system_code(&polling, &request, &card, &systems));
    EXPECT_EQ(systems.systemCodeCount, 2);
    EXPECT_EQ(felica::toHex(std::span(codes, 4)), "0003FE00");

    std::uint8_t svc[512], area[512], ends[512];
    SearchServiceRecord search{512, 512, 0};
    SearchServiceResponse found{0, svc, 0, area, ends};
    std::uint8_t suica[2] = {0x00, 0x03};
    PollingRecord pollSuica{suica, 0};
    ASSERT_TRUE(polling_and_search_service_code(&pollSuica, &search, &card, &found));
    EXPECT_EQ(found.areaCount, 1u);
    EXPECT_EQ(found.serviceCount, 2u);
    EXPECT_EQ(felica::toHex(std::span(svc, 4)), "0F094818");
    EXPECT_EQ(felica::toHex(std::span(ends, 2)), "FFFF");
    // A service buffer with room for one code.
    SearchServiceRecord small{2, 512, 0};
    EXPECT_FALSE(polling_and_search_service_code(&pollSuica, &small, &card, &found));
    EXPECT_EQ(lastError(), FELICA_ERROR_BUFFER_TOO_SMALL);
    EXPECT_EQ(found.serviceCount, 1u);
}

TEST(Library, VersionTextsAreTerminated) {
    char buffer[256];
    std::memset(buffer, 'x', sizeof buffer);
    ASSERT_TRUE(get_version_information(buffer));
    EXPECT_NE(std::memchr(buffer, 0, sizeof buffer), nullptr);
    EXPECT_NE(std::string(buffer).find("FeliCa"), std::string::npos);
    ASSERT_TRUE(get_copyright_information(buffer));
    EXPECT_NE(std::memchr(buffer, 0, sizeof buffer), nullptr);
}

TEST(Library, ResponseTimeoutFollowsThePmmByte) {
    // T x ((B + 1) n + (A + 1)) x 4^E, rounded up, and 50 ms for the reader.
    const struct {
        std::uint8_t pmm;
        std::size_t units;
        long ms;
    } cases[] = {{0x00, 0, 51}, {0x4B, 3, 63}, {0x80, 1, 60}, {0xFF, 12, 2061}};
    for (const auto& c : cases)
        EXPECT_EQ(felica::responseTimeout(c.pmm, c.units).count(), c.ms) << int(c.pmm) << " " << c.units;
}
