// The PC/SC readers through a real pcscd with vpcd: kuvora-cli on both routes
// against the image reader, garbled answers, the escape channel of a reader
// that holds no card (SCardControl stood in for by a fake), and read on
// touch waiting for pcscd's word that a card came.
#include "EmulatedReader.h"
#include "PcscRig.h"
#include "frames.h"
#include "library_control.h"
#include "pcsc_card_emulator.h"
#include "pcsc_transport.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <PCSC/reader.h>
#include <PCSC/winscard.h>

#include <gtest/gtest.h>

#include <csignal>

namespace {

QString u8(const char* s) { return QString::fromUtf8(s); }

test::ProcessResult runCli(const QStringList& args) {
    test::IsolatedHome home;
    return test::runInHome(home, test::binaryPath("bin/kuvora-cli"), args);
}

QString card(const char* name) { return test::sourcePath(QString("data/cards/") + name); }

// idm and an Auto-mode read through the rig's reader equal those through the image.
void expectSameAsImage(test::PcscRig& rig, const QString& kind, const QString& reader) {
    for (const char* name : {"suica-sample.json", "edy-sample.json"}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(rig.placeCard(kind, card(name))) << rig.log().right(3000).toStdString();
        for (const QString& command : {QString("idm"), QString("read")}) {
            QStringList args{command, "--reader", reader};
            if (command == "read") args << "--mode" << "auto";
            const auto viaPcsc = runCli(args);
            args[2] = "image:" + card(name);
            const auto viaImage = runCli(args);
            EXPECT_EQ(viaPcsc.exitCode, 0) << viaPcsc.err.toStdString() << rig.log().right(3000).toStdString();
            EXPECT_EQ(viaImage.exitCode, 0);
            EXPECT_FALSE(viaPcsc.out.isEmpty());
            EXPECT_EQ(viaPcsc.out, viaImage.out);
        }
    }
}

}  // namespace

TEST(Pcsc, Acr122uDirectTransmitReadsAsTheImage) {
    test::PcscRig rig("ACS ACR122U PICC Interface");
    ASSERT_EQ(rig.error(), "");
    expectSameAsImage(rig, "--acr122", "pcsc");
    // kuvora-cli readers lists it, and auto finds it first.
    const auto listed = runCli({"readers"});
    EXPECT_TRUE(listed.out.contains("pcsc:" + rig.readerName() + "\tpcsc\t")) << listed.out.toStdString();
    const auto viaAuto = runCli({"idm", "--verbose", "--reader", "auto"});
    EXPECT_EQ(viaAuto.exitCode, 0) << viaAuto.err.toStdString();
    EXPECT_TRUE(viaAuto.err.contains("reader pcsc:" + rig.readerName() + " (auto)")) << viaAuto.err.toStdString();
}

TEST(Pcsc, TransparentExchangeReadsAsTheImage) {
    test::PcscRig rig("SONY FeliCa RC-S300/P");
    ASSERT_EQ(rig.error(), "");
    expectSameAsImage(rig, "--transparent", "pcsc:" + rig.readerName());
}

// A reader that never answers costs a few seconds, never a hang.
TEST(Pcsc, GarbledAnswersAreFailures) {
    for (const char* route : {"--acr122", "--transparent"}) {
        test::PcscRig rig(QString(route) == "--acr122" ? "ACS ACR122U PICC Interface" : "SONY FeliCa RC-S660/U");
        ASSERT_EQ(rig.error(), "");
        for (const char* fault : {"truncated", "no-reply-do", "no-status", "bad-status", "hang"}) {
            SCOPED_TRACE(std::string(route) + " " + fault);
            ASSERT_TRUE(rig.placeCard(route, card("suica-sample.json"), fault));
            const auto r = runCli({"idm", "--reader", "pcsc"});
            EXPECT_EQ(r.exitCode, 1) << r.err.toStdString();
            EXPECT_EQ(r.out, "");
            EXPECT_TRUE(r.err.startsWith(u8("SF カードを認識することができません\nkuvora-cli: no card was read: ")))
                << r.err.toStdString();
        }
    }
}

// Reader names that select nothing say what pcscd has.
TEST(Pcsc, ReaderNamesAndListing) {
    test::PcscRig rig("Some Contact Reader");
    ASSERT_EQ(rig.error(), "");
    std::string error;
    EXPECT_FALSE(felica::openTransport("pcsc", error));
    EXPECT_EQ(error, "pcscd lists no FeliCa reader/writer (it lists \"Some Contact Reader 00 00\", "
                     "\"Some Contact Reader 00 01\")");
    EXPECT_FALSE(felica::openTransport("pcsc:No Such Reader", error));
    EXPECT_NE(error.find("no reader/writer \"No Such Reader\""), std::string::npos) << error;
    EXPECT_FALSE(felica::openTransport("pcsc:", error));
    const auto readers = felica::pcsc::listReaders(error);
    ASSERT_EQ(readers.size(), 2u) << error;
    EXPECT_EQ(readers[0].selector, "pcsc:Some Contact Reader 00 00");

    rig.stopPcscd();
    EXPECT_FALSE(felica::openTransport("pcsc", error));
    EXPECT_EQ(error, "pcscd is not running (start it with: systemctl start pcscd.socket)");
}

// A reader that holds no card gets its pseudo-APDUs as escapes on a direct
// connection; vpcd forwards none, so SCardControl is a fake here.
TEST(Pcsc, EscapesWhenNoCardIsPresented) {
    test::PcscRig rig("SONY FeliCa RC-S300/S");
    ASSERT_EQ(rig.error(), "");
    std::string error;
    // vpcd, like libccid without ifdDriverOptions 0x0001, takes no escapes.
    EXPECT_FALSE(felica::openTransport("pcsc", error));
    EXPECT_NE(error.find("ifdDriverOptions 0x0001"), std::string::npos) << error;

    vicc::CardEmulator reader(vicc::Kind::Transparent, test::sampleCard());
    std::vector<unsigned long> codes;
    bool escapesAllowed = false;
    felica::pcsc::setControlFunction([&](std::intptr_t, unsigned long code, std::span<const std::uint8_t> in,
                                         std::vector<std::uint8_t>& out) -> long {
        codes.push_back(code);
        if (code == CM_IOCTL_GET_FEATURE_REQUEST) {
            out = {0x12, 0x04, 0x42, 0x33, 0x00, 0x12};  // another feature first
            if (escapesAllowed) out.insert(out.end(), {FEATURE_CCID_ESC_COMMAND, 0x04, 0x42, 0x00, 0x00, 0x01});
            return SCARD_S_SUCCESS;
        }
        out = reader.respond(in);
        return SCARD_S_SUCCESS;
    });
    EXPECT_FALSE(felica::openTransport("pcsc", error));
    EXPECT_NE(error.find("ifdDriverOptions 0x0001"), std::string::npos) << error;

    escapesAllowed = true;
    auto t = felica::openTransport("pcsc", error);
    ASSERT_TRUE(t) << error;
    felica::VirtualReader image(test::sampleCard());
    const std::vector<std::vector<std::uint8_t>> frames = {
        felica::encodePolling({0x00, 0x03}, 1, 0),
        felica::encodeReadWithoutEncryption(test::sampleCard().idm, std::vector<std::uint16_t>{0x090F},
                                            std::vector<felica::BlockElement>{{0, 0, 0}, {0, 0, 1}, {0, 0, 2}}),
    };
    for (const auto& frame : frames) {
        std::vector<std::uint8_t> viaEscape, viaImage;
        ASSERT_EQ(t->transceive(frame, viaEscape, std::chrono::milliseconds(100)), felica::TransceiveStatus::Ok)
            << t->failureDetail();
        image.transceive(frame, viaImage, std::chrono::milliseconds(100));
        EXPECT_EQ(viaEscape, viaImage);
    }
    EXPECT_EQ(codes.back(), 0x42000001u);

    // A reply whose objects run past its end puts the reader out of use.
    reader.setFault(vicc::Fault::Truncated);
    std::vector<std::uint8_t> answer;
    EXPECT_EQ(t->transceive(frames[0], answer, std::chrono::milliseconds(100)), felica::TransceiveStatus::DeviceGone);
    EXPECT_NE(t->failureDetail().find("malformed data objects"), std::string::npos) << t->failureDetail();
    EXPECT_FALSE(t->healthy());
    t.reset();

    // Firmware that refuses the session as APDUs although it presents a card
    // gets it as escapes.
    reader.setFault(vicc::Fault::None);
    ASSERT_TRUE(rig.placeCard("--transparent", test::sourcePath("data/cards/suica-sample.json"), "no-session"));
    codes.clear();
    t = felica::openTransport("pcsc", error);
    ASSERT_TRUE(t) << error;
    std::vector<std::uint8_t> viaEscape;
    EXPECT_EQ(t->transceive(frames[0], viaEscape, std::chrono::milliseconds(100)), felica::TransceiveStatus::Ok);
    EXPECT_EQ(codes.back(), 0x42000001u);
    t.reset();
    felica::pcsc::setControlFunction(nullptr);
}

// Read on touch on an empty reader, with and without escape commands: the
// loop waits for pcscd to say a card came, reads each placement once, and
// an interrupt ends the wait at once.
TEST(Pcsc, ReadOnTouchWaitsForEachCardOnAnEmptyReader) {
    const struct {
        const char* kind;
        const char* reader;
    } routes[] = {{"--acr122", "ACS ACR122U PICC Interface"}, {"--transparent", "SONY FeliCa RC-S300/P"}};
    for (const auto& route : routes) {
        SCOPED_TRACE(route.kind);
        test::PcscRig rig(route.reader);
        ASSERT_EQ(rig.error(), "");
        test::IsolatedHome home;
        test::RunningProgram loop;
        test::startInHome(loop.process, home, test::binaryPath("bin/kuvora-cli"), {"read", "--loop", "--reader", "pcsc"});
        EXPECT_FALSE(loop.until([&] { return loop.process.state() != QProcess::Running; }, 1000))
            << loop.err.toStdString();
        for (int placement = 1; placement <= 2; ++placement) {
            ASSERT_TRUE(rig.placeCard(route.kind, card("suica-sample.json")));
            EXPECT_TRUE(loop.until([&] { return loop.lines() == placement; }, 5000)) << loop.err.toStdString();
            EXPECT_FALSE(loop.until([&] { return loop.lines() > placement; }, 1000));  // left on it: read once
            rig.removeCard();
        }
        for (const QByteArray& line : loop.out.trimmed().split('\n'))
            EXPECT_EQ(QJsonDocument::fromJson(line).object()["idm"].toString(), "01010410C8192A3B");
        ::kill(static_cast<pid_t>(loop.process.processId()), SIGINT);
        EXPECT_TRUE(loop.process.waitForFinished(1000));
        EXPECT_EQ(loop.process.exitCode(), 0);
        EXPECT_EQ(loop.err, "");
    }
}

// pcscd away when the wait begins: said once, and the card is read once
// pcscd runs again and a card is placed.
TEST(Pcsc, AWaitOutlivesPcscdAway) {
    test::PcscRig rig("ACS ACR122U PICC Interface");
    ASSERT_EQ(rig.error(), "");
    rig.stopPcscd();
    test::IsolatedHome home;
    test::RunningProgram wait;
    test::startInHome(wait.process, home, test::binaryPath("bin/kuvora-cli"),
                      {"read", "--wait", "--timeout", "30", "--reader", "pcsc"});
    EXPECT_TRUE(wait.until([&] { return wait.err.contains("pcscd is not running"); }, 5000)) << wait.err.toStdString();
    rig.startPcscd();
    ASSERT_EQ(rig.error(), "");
    ASSERT_TRUE(rig.placeCard("--acr122", card("suica-sample.json")));
    ASSERT_TRUE(wait.process.waitForFinished(10000));
    wait.out += wait.process.readAllStandardOutput();
    wait.err += wait.process.readAllStandardError();
    EXPECT_EQ(wait.process.exitCode(), 0) << wait.err.toStdString();
    EXPECT_EQ(QJsonDocument::fromJson(wait.out).object()["cardRows"].toInt(), 20);
    EXPECT_EQ(wait.err.count("pcscd is not running"), 1) << wait.err.toStdString();
}
