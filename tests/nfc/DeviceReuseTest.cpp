// The library keeps a reader device between the open/close pairs of its
// callers, releases it when idle and at the last dispose, and reopens one
// that failed.
#include "CKuvoraDoc.h"
#include "CardTypes.h"
#include "EmulatedReader.h"
#include "felica.h"
#include "library_control.h"

#include <QFile>

#include <gtest/gtest.h>

#include <thread>

using namespace felica;

namespace {

bool pollSuica() {
    std::uint8_t system[2] = {0x00, 0x03}, idm[8], pmm[8], n = 0;
    PollingRecord p{system, 0};
    CardRecord c{idm, pmm};
    return polling_and_get_card_information(&p, &n, &c) && n == 1;
}

// Waits, a little at a time, until `done` holds (at most five seconds).
template <class F>
bool eventually(F done) {
    for (int i = 0; i < 500 && !done(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return done();
}

// A device-like transport over a virtual card that can be told to fail.
class FakeDevice : public test::ScriptedTransport {
public:
    using ScriptedTransport::ScriptedTransport;
    bool reusable() const override { return true; }
};

// Opens FakeDevices, or none while `refuse` is set.
struct FakeDevices {
    std::size_t opened = 0;
    FakeDevice* last = nullptr;
    bool refuse = false;
    FakeDevices() {
        setTransportFactory([this](const std::string&, std::string& error) -> std::unique_ptr<Transport> {
            if (refuse) {
                error = "no such device";
                return nullptr;
            }
            auto d = std::make_unique<FakeDevice>(test::sampleCard());
            ++opened;
            last = d.get();
            return d;
        });
    }
    ~FakeDevices() {
        close_reader_writer();
        setTransportFactory({});
    }
    static void breakDevice(FakeDevice* d) {
        d->filter = [](std::size_t, TransceiveStatus, Bytes&) { return TransceiveStatus::DeviceGone; };
    }
};

struct Reuse : ::testing::Test {
    test::IsolatedHome home;
    RecordingMessageSink messages;
    ScopedMessageSink sink{&messages};
    // These tests poll to exercise the device, not the card: every poll goes out.
    Reuse() {
        resetCounters();
        setCardCache(false);
    }
    ~Reuse() override {
        setIdleRelease(std::chrono::milliseconds(1500));
        setCardCache(true);
    }
};

}  // namespace

TEST_F(Reuse, OneReadCommandInitialisesTheDeviceOnce) {
    test::importSampleNames();
    // JAL IC comes late in Auto mode: the classes before it ask for their card first.
    test::EmulatedReader reader(test::sampleCard("jalic-sample.json"));
    test::LibrarySession session(reader.name());
    CKuvoraDoc doc;
    doc.OnNewDocument();
    doc.m_nMode = 0;
    doc.OnCardRead();
    EXPECT_TRUE(messages.messages.isEmpty()) << messages.messages.join('|').toStdString();
    EXPECT_EQ(doc.m_nCardType, 129);
    EXPECT_EQ(counters().transportsOpened, 1u);
    // Every class before JAL IC and JAL IC itself detect, then two reads.
    std::size_t detections = 0;
    for (const CardTypeInfo* t : AutoDetectionOrder()) {
        ++detections;
        if (t->code == 129) break;
    }
    const std::size_t opens = counters().transportsOpened + counters().transportsReused;
    EXPECT_EQ(opens, detections + 2);
    EXPECT_EQ(reader.emu.stats().deviceOpens, 1u);

    // With the device released at every close, each open initialises it.
    setIdleRelease(std::chrono::milliseconds(0));
    resetCounters();
    doc.OnCardRead();
    EXPECT_EQ(counters().transportsOpened, opens);
    EXPECT_EQ(reader.emu.stats().deviceOpens, 1 + opens);
    EXPECT_EQ(doc.m_nCardType, 129);
}

TEST_F(Reuse, KeptDeviceIsReleasedWhenIdleAndAtTheLastDispose) {
    test::EmulatedReader reader;
    {
        test::LibrarySession session(reader.name());
        setIdleRelease(std::chrono::milliseconds(100));
        ASSERT_TRUE(open_reader_writer_auto());
        close_reader_writer();
        EXPECT_TRUE(readerKept());
        EXPECT_TRUE(eventually([] { return !readerKept(); }));
        // Released, the line is free for another program, and the next
        // open initialises the device again.
        setIdleRelease(std::chrono::milliseconds(60000));
        ASSERT_TRUE(open_reader_writer_auto());
        EXPECT_TRUE(pollSuica());
        close_reader_writer();
        ASSERT_TRUE(open_reader_writer_auto());
        close_reader_writer();
        EXPECT_TRUE(readerKept());
        EXPECT_EQ(counters().transportsOpened, 2u);
    }
    EXPECT_FALSE(readerKept());  // the session disposed the library
    EXPECT_EQ(reader.emu.stats().deviceOpens, 2u);
}

TEST_F(Reuse, KeptDeviceThatWentAwayIsReopenedOnFirstUse) {
    test::EmulatedReader reader;
    test::LibrarySession session(reader.name());
    ASSERT_TRUE(open_reader_writer_auto());
    ASSERT_TRUE(pollSuica());
    close_reader_writer();
    // The reader was reset while it was kept: it sleeps until woken.
    reader.emu.powerCycle();
    ASSERT_TRUE(open_reader_writer_auto());
    EXPECT_TRUE(pollSuica()) << lastErrorDetail();
    close_reader_writer();
    EXPECT_EQ(counters().transportsOpened, 2u);
    EXPECT_EQ(reader.emu.stats().deviceOpens, 2u);
}

TEST_F(Reuse, FailedDeviceIsDroppedAndReopenedCleanly) {
    FakeDevices devices;
    test::LibrarySession session("nfc:fake");
    ASSERT_TRUE(open_reader_writer_auto());
    ASSERT_TRUE(pollSuica());
    FakeDevice* first = devices.last;
    close_reader_writer();
    ASSERT_TRUE(open_reader_writer_auto());
    EXPECT_EQ(devices.opened, 1u);  // the same device, kept
    EXPECT_TRUE(pollSuica());

    // It fails mid-operation: the operation fails, and the device is not kept.
    FakeDevices::breakDevice(first);
    EXPECT_FALSE(pollSuica());
    close_reader_writer();
    EXPECT_FALSE(readerKept());
    ASSERT_TRUE(open_reader_writer_auto());
    EXPECT_TRUE(pollSuica());
    close_reader_writer();
    EXPECT_EQ(devices.opened, 2u);

    // A kept device that fails at once is replaced for that very frame;
    // one whose replacement cannot be opened fails the call.
    FakeDevices::breakDevice(devices.last);
    ASSERT_TRUE(open_reader_writer_auto());
    EXPECT_TRUE(pollSuica()) << lastErrorDetail();
    EXPECT_EQ(devices.opened, 3u);
    close_reader_writer();
    FakeDevices::breakDevice(devices.last);
    devices.refuse = true;
    ASSERT_TRUE(open_reader_writer_auto());
    EXPECT_FALSE(pollSuica());
    EXPECT_NE(lastErrorDetail().find("no such device"), std::string::npos) << lastErrorDetail();
    EXPECT_FALSE(pollSuica());  // still open, without a device
    close_reader_writer();
    EXPECT_FALSE(readerKept());
    EXPECT_FALSE(open_reader_writer_auto());
}

TEST_F(Reuse, ACardImageIsKeptUntilItsFileChangesAndOtherNamesAreNot) {
    test::EmulatedReader reader;
    const QString copy = home.path() + "/card.json";
    ASSERT_TRUE(QFile::copy(test::sourcePath("data/cards/suica-sample.json"), copy));
    test::LibrarySession session("image:" + copy);
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(open_reader_writer_auto());
        EXPECT_TRUE(pollSuica());
        close_reader_writer();
    }
    EXPECT_TRUE(readerKept());
    EXPECT_EQ(counters().transportsOpened, 1u);
    // Another card written over the file is another card on the reader.
    ASSERT_TRUE(QFile::remove(copy));
    ASSERT_TRUE(QFile::copy(test::sourcePath("data/cards/edy-sample.json"), copy));
    ASSERT_TRUE(open_reader_writer_auto());
    EXPECT_FALSE(pollSuica());
    close_reader_writer();
    EXPECT_EQ(counters().transportsOpened, 2u);

    session.select(reader.name());
    ASSERT_TRUE(open_reader_writer_auto());
    close_reader_writer();
    EXPECT_EQ(counters().transportsOpened, 3u);
}
