// The Read command in Auto mode on a libnfc reader: Debian's libnfc and its
// pn532_uart driver talking to the PN532 emulator on a pty, with the card
// taking a realistic time for every frame. Per read: device initialisations,
// FeliCa commands (retries included), the chip's polls and exchanges, and
// wall time, with the device kept between the read's opens and without.
// Target: 1 initialisation and at most 25 FeliCa commands per read of the
// sample Suica card.
#include "BenchHome.h"
#include "CKuvoraDoc.h"
#include "MessageSink.h"
#include "felica.h"
#include "library_control.h"
#include "pn532_emulator.h"


#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

// A card answers a short frame in a few milliseconds on the air; a poll that
// finds no card costs the chip about as much per try.
constexpr std::chrono::milliseconds kCardFrame{4};
constexpr std::chrono::milliseconds kAbsentPollTry{3};

void autoRead(benchmark::State& state, const char* card, bool reuse) {
    BenchHome home;
    std::string error;
    auto image = felica::CardImage::load(std::string(KUVORA_SOURCE_DIR "/data/cards/") + card, error);
    if (!image) {
        state.SkipWithError(error.c_str());
        return;
    }
    pn532::Emulator emu(std::move(*image));
    if (!emu.start(error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    emu.setCardDelay(kCardFrame);
    emu.setAbsentPollTime(kAbsentPollTry);
    RecordingMessageSink messages;
    ScopedMessageSink sink(&messages);
    initialize_library();
    set_reader_writer_name(emu.readerName().c_str());
    const auto idle = reuse ? std::chrono::milliseconds(1500) : std::chrono::milliseconds(0);
    CKuvoraDoc doc;
    doc.OnNewDocument();
    doc.m_nMode = 0;
    double inits = 0, commands = 0, polls = 0, exchanges = 0;
    for (auto _ : state) {
        state.PauseTiming();
        felica::setIdleRelease(std::chrono::milliseconds(0));  // each read starts without a kept device
        felica::setIdleRelease(idle);
        felica::resetCounters();
        emu.resetStats();
        state.ResumeTiming();
        doc.OnCardRead();
        state.PauseTiming();
        inits += static_cast<double>(felica::counters().transportsOpened);
        commands += static_cast<double>(felica::counters().commandsSent);
        polls += static_cast<double>(emu.stats().polls);
        exchanges += static_cast<double>(emu.stats().exchanges);
        state.ResumeTiming();
    }
    if (!messages.messages.isEmpty() || doc.m_nCardType == 0)
        state.SkipWithError("the read did not succeed");
    const double n = static_cast<double>(state.iterations());
    state.counters["inits"] = inits / n;
    state.counters["felica_cmds"] = commands / n;
    state.counters["chip_polls"] = polls / n;
    state.counters["chip_exchanges"] = exchanges / n;
    felica::setIdleRelease(std::chrono::milliseconds(1500));
    dispose_library();
}

}  // namespace

BENCHMARK_CAPTURE(autoRead, suica_reuse, "suica-sample.json", true)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();
BENCHMARK_CAPTURE(autoRead, suica_no_reuse, "suica-sample.json", false)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();
// JAL IC comes late in Auto mode: what the detections before it cost.
BENCHMARK_CAPTURE(autoRead, jalic_reuse, "jalic-sample.json", true)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK_CAPTURE(autoRead, jalic_no_reuse, "jalic-sample.json", false)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK_MAIN();
