// The Read command in Auto mode for every sample card on every reader route,
// side by side in one run: the card image (virtual reader), libnfc with the
// PN532 emulator behind a pty (4 ms per card frame), the RC-S380 driver with
// the emulated Port-100 chip (2 ms per chip frame), and PC/SC through a
// private pcscd with vpcd and the ACR122U vICC (when pcscd and vpcd are
// there). The routes take turns card by card, round by round. Per read:
// device initialisations, FeliCa commands and the median wall time.
// Target: 1 initialisation per read on every route, at most 8 commands.
//   bench_reader_routes [ROUNDS]   (default 3)
#include "BenchHome.h"
#include "BenchReads.h"
#include "CKuvoraDoc.h"
#include "MessageSink.h"
#include "PcscRig.h"
#include "felica.h"
#include "library_control.h"
#include "pn532_emulator.h"
#include "port100_chip.h"
#include "port100_transport.h"

#include <QCoreApplication>
#include <QDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

struct Reads : BenchReads {
    std::string cell() {
        if (ms.empty()) return "-";
        char text[64];
        std::snprintf(text, sizeof text, "%4.1f %4.1f %7.1f%s", per(inits), per(commands), median(), failed ? "!" : "");
        return text;
    }
};

void readOnce(const std::string& reader, Reads& into) {
    set_reader_writer_name(reader.c_str());
    benchAutoRead(into);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    BenchHome home;
    test::PcscRig rig("ACS ACR122U PICC Interface");
    const bool pcsc = rig.error().isEmpty();
    if (!pcsc) std::fprintf(stderr, "PC/SC left out: %s\n", rig.error().toUtf8().constData());
    initialize_library();
    const QDir cards(KUVORA_SOURCE_DIR "/data/cards");
    std::printf("Auto-mode reads, %d rounds; each cell: initialisations, FeliCa commands, median ms "
                "(! = a read failed)\n\n",
                rounds);
    std::printf("%-26s | %-17s | %-17s | %-17s | %-17s\n", "card", "image", "libnfc (PN532)", "usb (RC-S380)",
                "pcsc (ACR122U)");
    for (const QString& name : cards.entryList({"*-sample.json"}, QDir::Files, QDir::Name)) {
        if (name == QLatin1String("common-area-sample.json")) continue;  // no card type of ours
        const std::string path = cards.filePath(name).toStdString();
        std::string error;
        auto image = felica::CardImage::load(path, error);
        if (!image) return 1;
        pn532::Emulator emu(*image);
        if (!emu.start(error)) return 1;
        emu.setCardDelay(std::chrono::milliseconds(4));
        emu.setAbsentPollTime(std::chrono::milliseconds(3));
        if (pcsc) {
            rig.placeCard("--acr122", QString::fromStdString(path));
            QCoreApplication::processEvents();
            rig.log();
        }
        std::vector<std::unique_ptr<felica::port100::Chip>> chips;
        auto usbFactory = [&](const std::string&, std::string& why) -> std::unique_ptr<felica::Transport> {
            chips.push_back(std::make_unique<felica::port100::Chip>(*image));
            chips.back()->setFrameDelay(std::chrono::microseconds(2000));
            return felica::Port100Transport::open(chips.back()->channel(), "usb:001:002", why);
        };
        Reads routes[4];
        const std::function<void()> read[4] = {
            [&] { readOnce("image:" + path, routes[0]); },
            [&] { readOnce(emu.readerName(), routes[1]); },
            [&] {
                felica::setTransportFactory(usbFactory);
                readOnce("usb", routes[2]);
                felica::setTransportFactory({});
            },
            [&] {
                if (!pcsc) return;
                readOnce("pcsc", routes[3]);
                QCoreApplication::processEvents();  // pcscd logs every APDU: its pipe is emptied
                rig.log();                          // so that it never blocks
            },
        };
        for (int r = 0; r < rounds; ++r)
            for (int i = 0; i < 4; ++i) read[(i + r) % 4]();
        std::printf("%-26s | %-17s | %-17s | %-17s | %-17s\n", name.toUtf8().constData(), routes[0].cell().c_str(),
                    routes[1].cell().c_str(), routes[2].cell().c_str(), routes[3].cell().c_str());
        std::fflush(stdout);
    }
    dispose_library();
    return 0;
}
