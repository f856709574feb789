// The Read command in Auto mode on a libnfc reader, for every sample card:
// Debian's libnfc and its pn532_uart driver talking to the PN532 emulator on
// a pty, with the card taking a realistic time for every frame. Each card is
// read with the library's card cache on and off, alternately, and the table
// gives per read: device initialisations, FeliCa commands (retries
// included), the chip's polls and exchanges, and the median wall time.
// Target: 1 initialisation and at most 8 FeliCa commands per read with the
// cache, for every sample card.
//   bench_nfc_read [ROUNDS]   (default 5 reads per card and setting)
#include "BenchHome.h"
#include "BenchReads.h"
#include "CKuvoraDoc.h"
#include "MessageSink.h"
#include "felica.h"
#include "library_control.h"
#include "pn532_emulator.h"

#include <QCoreApplication>
#include <QDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

// A card answers a short frame in a few milliseconds on the air; a poll that
// finds no card costs the chip about as much per try.
constexpr std::chrono::milliseconds kCardFrame{4};
constexpr std::chrono::milliseconds kAbsentPollTry{3};

struct Reads : BenchReads {
    std::size_t polls = 0, exchanges = 0;
};

void readOnce(pn532::Emulator& emu, Reads& into) {
    emu.resetStats();
    benchAutoRead(into);
    into.polls += emu.stats().polls;
    into.exchanges += emu.stats().exchanges;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    BenchHome home;
    initialize_library();
    const QDir cards(KUVORA_SOURCE_DIR "/data/cards");
    std::printf("Auto-mode read through the PN532 emulator (%lld ms per card frame), %d reads each, "
                "cache on and off alternately\n\n",
                static_cast<long long>(kCardFrame.count()), rounds);
    std::printf("%-26s | %5s %5s %5s %6s %9s | %5s %5s %9s | %s\n", "card", "inits", "cmds", "polls", "xchg",
                "ms", "inits", "cmds", "ms", "ratio");
    std::printf("%-26s | %33s | %21s |\n", "", "cache on", "cache off");
    for (const QString& name : cards.entryList({"*-sample.json"}, QDir::Files, QDir::Name)) {
        if (name == QLatin1String("common-area-sample.json")) continue;  // no card type of ours
        std::string error;
        auto image = felica::CardImage::load(cards.filePath(name).toStdString(), error);
        if (!image) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        pn532::Emulator emu(std::move(*image));
        if (!emu.start(error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        emu.setCardDelay(kCardFrame);
        emu.setAbsentPollTime(kAbsentPollTry);
        set_reader_writer_name(emu.readerName().c_str());
        Reads on, off;
        for (int i = 0; i < rounds; ++i) {
            felica::setCardCache(i % 2 == 0);
            readOnce(emu, i % 2 == 0 ? on : off);
            felica::setCardCache(i % 2 != 0);
            readOnce(emu, i % 2 != 0 ? on : off);
        }
        felica::setCardCache(true);
        felica::setIdleRelease(std::chrono::milliseconds(0));
        felica::setIdleRelease(std::chrono::milliseconds(1500));
        const double mOn = on.median(), mOff = off.median();
        std::printf("%-26s | %5.1f %5.1f %5.1f %6.1f %9.1f | %5.1f %5.1f %9.1f | %.2f%s\n",
                    name.toUtf8().constData(), on.per(on.inits), on.per(on.commands), on.per(on.polls),
                    on.per(on.exchanges), mOn, off.per(off.inits), off.per(off.commands), mOff,
                    mOff > 0 ? mOn / mOff : 0.0, on.failed || off.failed ? "  READ FAILED" : "");
    }
    dispose_library();
    return 0;
}
