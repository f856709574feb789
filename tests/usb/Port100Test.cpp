// The RC-S380 route: Port-100 frames, the chip's open sequence byte for
// byte, and the library's reads through an emulated chip.
#include "CKuvoraDoc.h"
#include "CliOutput.h"
#include "MessageSink.h"
#include "NfcSession.h"
#include "port100_chip.h"
#include "port100_transport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

using namespace felica;
namespace p100 = felica::port100;

namespace {

Bytes hex(const std::string& text) {
    Bytes out;
    std::string digits;
    for (char c : text)
        if (c != ' ') digits += c;
    for (std::size_t i = 0; i + 1 < digits.size(); i += 2) out.push_back(std::stoi(digits.substr(i, 2), nullptr, 16));
    return out;
}

// Every library open gets a fresh emulated RC-S380 with `card` on it. Made
// before the library session, so the chips outlive the devices it keeps.
struct UsbRig {
    std::vector<std::unique_ptr<p100::Chip>> chips;
    CardImage card;
    explicit UsbRig(CardImage c) : card(std::move(c)) {
        setTransportFactory([this](const std::string&, std::string& error) -> std::unique_ptr<Transport> {
            chips.push_back(std::make_unique<p100::Chip>(card));
            return Port100Transport::open(chips.back()->channel(), "usb:001:002", error);
        });
    }
    ~UsbRig() { setTransportFactory({}); }
    p100::Chip& chip() { return *chips.back(); }
};

struct UsbSession : test::CardCalls {
    UsbRig rig;
    test::LibrarySession library{"usb"};
    explicit UsbSession(CardImage card = test::sampleCard()) : rig(std::move(card)) { set_retry_count(2); }
};

}  // namespace

TEST(Port100Frames, BuildAndParse) {
    // Both ways, with the checksums of the chip's GetFirmwareVersion reply.
    EXPECT_EQ(p100::dataFrame(hex("D6 20")), hex("00 00 FF FF FF 02 00 FE D6 20 0A 00"));
    const auto reply = p100::parseFrame(hex("00 00 FF FF FF 04 00 FC D7 21 11 01 F6 00"));
    EXPECT_EQ(reply.kind, p100::FrameKind::Data);
    EXPECT_EQ(reply.payload, hex("D7 21 11 01"));
    const Bytes big(300, 0xAB);
    EXPECT_EQ(p100::parseFrame(p100::dataFrame(big)).payload, big);
    // The normal form is taken from the chip too.
    EXPECT_EQ(p100::parseFrame(hex("00 00 FF 03 FD D7 2B 00 FE 00")).payload, hex("D7 2B 00"));
    EXPECT_EQ(p100::parseFrame(hex("00 00 FF 00 FF 00")).kind, p100::FrameKind::Ack);
    EXPECT_EQ(p100::parseFrame(hex("00 00 FF FF FF")).kind, p100::FrameKind::Error);

    for (const char* wrong : {"00 00 FF FF FF 04 00 FC D7 21 11 01 F7 00",  // data checksum
                              "00 00 FF FF FF 04 00 FD D7 21 11 01 F6 00",  // length checksum
                              "00 00 FF FF FF 05 00 FB D7 21 11 01 F6 00",  // longer than sent
                              "00 00 FF FF FF 03 00 FD D7 21 11 01 F6 00",  // shorter than sent
                              "00 00 FF FF FF 04 00 FC D7 21 11 01 F6 00 00", "00 00 FF FF FF 04 00 FC D7 21 11 01 F6 01",
                              "00 00 FF FF FF 00 00 00 00 00", "00 00 FF 00 FF 00 00", "00 00 FF FF", "01 00 FF 00 FF 00",
                              "00 00 FF FF FF 04"})
        EXPECT_EQ(p100::parseFrame(hex(wrong)).kind, p100::FrameKind::Bad) << wrong;

    using std::chrono::milliseconds;
    EXPECT_EQ(p100::wireTimeout(milliseconds(1000)), 0x271A);
    EXPECT_EQ(p100::wireTimeout(milliseconds(10)), 0x006E);
    EXPECT_EQ(p100::wireTimeout(milliseconds(60000)), 0xFFFF);
}

TEST(Port100Transport, OpenAndPollSendWhatTheChipExpects) {
    CardImage card = test::makeCard("0102030405060708", "0003");
    card.pmm = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88};
    p100::Chip chip(card);
    chip.leaveStale(hex("00 00 FF FF FF 03 00 FD D7 07 00 22 00"));  // an earlier program's reply
    std::string error;
    auto t = Port100Transport::open(chip.channel(), "usb:001:002", error);
    ASSERT_TRUE(t) << error;
    EXPECT_EQ(t->firmwareVersion(), 0x0111);
    Bytes answer;
    ASSERT_EQ(t->transceive(hex("06 00 FF FF 01 00"), answer, std::chrono::milliseconds(10)), TransceiveStatus::Ok);
    EXPECT_EQ(answer, hex("14 01 0102030405060708 1122334455667788 0003"));
    ASSERT_EQ(t->transceive(hex("0A 0C 0102030405060708"), answer, std::chrono::milliseconds(100)),
              TransceiveStatus::Ok);
    EXPECT_EQ(answer, hex("0D 0D 0102030405060708 01 0003"));

    const std::vector<Bytes> host = {
        hex("00 00 FF 00 FF 00"),
        hex("00 00 FF FF FF 03 00 FD D6 2A 01 FF 00"),
        hex("00 00 FF FF FF 02 00 FE D6 20 0A 00"),
        hex("00 00 FF FF FF 02 00 FE D6 22 08 00"),
        hex("00 00 FF FF FF 03 00 FD D6 06 00 24 00"),
        hex("00 00 FF FF FF 06 00 FA D6 00 01 01 0F 01 18 00"),
        hex("00 00 FF FF FF 28 00 D8 D6 02 00 18 01 01 02 01 03 00 04 00 05 00 06 00"
            "07 08 08 00 09 00 0A 00 0B 00 0C 00 0E 04 0F 00 10 00 11 00 12 00 13 06 4B 00"),
        hex("00 00 FF FF FF 04 00 FC D6 02 00 18 10 00"),
        hex("00 00 FF FF FF 0A 00 F6 D6 04 6E 00 06 00 FF FF 01 00 B3 00"),
        hex("00 00 FF FF FF 0E 00 F2 D6 04 F2 03 0A 0C 01 02 03 04 05 06 07 08 F7 00"),
    };
    EXPECT_EQ(chip.written(), host);
    const auto sent = chip.sent();
    ASSERT_GE(sent.size(), 19u);
    const Bytes ack = hex("00 00 FF 00 FF 00");
    const std::vector<Bytes> replies = {
        hex("00 00 FF FF FF 03 00 FD D7 07 00 22 00"),  // the stale one, read away
        ack, hex("00 00 FF FF FF 03 00 FD D7 2B 00 FE 00"), ack, hex("00 00 FF FF FF 04 00 FC D7 21 11 01 F6 00"),
        ack, hex("00 00 FF FF FF 04 00 FC D7 23 00 01 05 00"), ack, hex("00 00 FF FF FF 03 00 FD D7 07 00 22 00"),
        ack, hex("00 00 FF FF FF 03 00 FD D7 01 00 28 00"), ack, hex("00 00 FF FF FF 03 00 FD D7 03 00 26 00"),
        ack, hex("00 00 FF FF FF 03 00 FD D7 03 00 26 00"), ack,
        hex("00 00 FF FF FF 1B 00 E5 D7 05 00 00 00 00 08 14 01 01 02 03 04 05 06 07 08"
            "11 22 33 44 55 66 77 88 00 03 7C 00")};
    EXPECT_EQ(std::vector<Bytes>(sent.begin(), sent.begin() + replies.size()), replies);

    // Without a card the chip reports its receive timeout: no answer.
    chip.liftCard();
    EXPECT_EQ(t->transceive(hex("06 00 FF FF 01 00"), answer, std::chrono::milliseconds(10)),
              TransceiveStatus::NoAnswer);
    // Closing switches the field off and leaves the chip idle.
    t.reset();
    const auto written = chip.written();
    EXPECT_EQ(written.back(), ack);
    EXPECT_EQ(written[written.size() - 2], host[4]);
}

TEST(Port100Transport, AutoReadsGiveWhatTheCardImagesGive) {
    test::IsolatedHome home;
    test::importSampleNames();
    for (const char* name : {"suica-sample.json", "edy-sample.json", "jalic-sample.json", "nagasaki-sample.json"}) {
        const QString image = "image:" + test::sourcePath(QStringLiteral("data/cards/") + name);
        auto readJson = [](const QString& reader) {
            RecordingMessageSink messages;
            ScopedMessageSink sink(&messages);
            test::LibrarySession session(reader);
            CKuvoraDoc doc;
            doc.OnNewDocument();
            doc.m_nMode = 0;
            doc.OnCardRead();
            return DocumentJson(doc, messages.messages);
        };
        const QByteArray viaImage = readJson(image);
        UsbRig rig(test::sampleCard(name));
        const QByteArray viaUsb = readJson("usb");
        EXPECT_EQ(viaUsb, viaImage) << name;
        const QJsonObject json = QJsonDocument::fromJson(viaUsb).object();
        EXPECT_NE(json["cardType"].toInt(), 0) << name;
        EXPECT_GT(json["cardRows"].toInt(), 0) << name;
        EXPECT_TRUE(json["messages"].toArray().isEmpty()) << name;
        EXPECT_EQ(rig.chips.size(), 1u) << name;  // one device set-up for the whole read
    }
}

TEST(Port100Transport, LiftedCardGarbledFrameAndChipThatGoesAway) {
    UsbSession s;
    ASSERT_TRUE(open_reader_writer_auto()) << lastErrorDetail();
    ASSERT_TRUE(s.poll()) << lastErrorDetail();
    const CardImage image = test::sampleCard();
    std::uint8_t data[20 * 16] = {};

    // The card leaves halfway through a long read.
    s.rig.chip().liftCardAfter(1);
    EXPECT_FALSE(s.read(0x090F, 0, 20, data));
    EXPECT_EQ(test::lastError(), FELICA_ERROR_NO_ANSWER) << lastErrorDetail();
    s.rig.chip().placeCard(image);
    ASSERT_TRUE(s.poll()) << lastErrorDetail();

    // A garbled reply is dropped and the frame sent again.
    s.rig.chip().corruptNextFrame();
    ASSERT_TRUE(s.read(0x090F, 0, 20, data)) << lastErrorDetail();
    EXPECT_TRUE(test::sameBlocks(data, image, 0x090F, 0, 20));

    // A chip that stops answering fails the read within the waits, and is
    // not kept.
    s.rig.chip().stopAnswering();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(s.read(0x090F, 0, 1, data));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    EXPECT_EQ(test::lastError(), FELICA_ERROR_DEVICE);
    EXPECT_NE(lastErrorDetail().find("stopped answering"), std::string::npos) << lastErrorDetail();
    close_reader_writer();
    EXPECT_FALSE(readerKept());

    // Unplugged: every transfer fails at once.
    ASSERT_TRUE(open_reader_writer_auto()) << lastErrorDetail();
    ASSERT_TRUE(s.poll());
    s.rig.chip().unplug();
    EXPECT_FALSE(s.poll(0xFF, 0xFF));  // a wildcard poll always reaches the reader
    EXPECT_EQ(test::lastError(), FELICA_ERROR_DEVICE);
    EXPECT_NE(lastErrorDetail().find("unplugged"), std::string::npos) << lastErrorDetail();
}

TEST(Port100Transport, ReaderNames) {
    std::string error;
    for (const char* bad : {"usb:", "usb:1", "usb:1:", "usb:1:2:3", "usb:a:1", "usb:1000:1", "usb:1:256", "usb:-1:2"}) {
        error.clear();
        EXPECT_FALSE(openTransport(bad, error)) << bad;
        EXPECT_NE(error.find("expected usb or usb:BUS:ADDRESS"), std::string::npos) << error;
    }
    EXPECT_FALSE(openTransport("usbx", error));
    EXPECT_NE(error.find("usb, usb:BUS:ADDRESS"), std::string::npos) << error;
    // This machine has no RC-S380 at bus 255, address 255.
    error.clear();
    EXPECT_FALSE(openTransport("usb:255:255", error));
    EXPECT_FALSE(error.empty());
    for (const auto& r : listUsbReaders()) EXPECT_EQ(r.name.rfind("usb:", 0), 0u);
}
