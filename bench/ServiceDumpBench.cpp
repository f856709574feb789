// The card service dump, fast block probe against the naive one (reads of
// the first 1, 2, 3, ... blocks), through the virtual reader and through
// Debian's libnfc talking to the PN532 emulator with a card that takes a
// realistic time for every frame. Per dump: FeliCa commands in all, those
// of the block probes, the services probed, and wall time.
// Targets: at most log2(40) + 2 commands per probed service for the fast
// probe, and a tenth of the naive probe's commands on a card whose services
// hold 40 blocks. Services longer than 40 blocks (41, 64, 128 and 255, the
// "long" card) show how the fast probe grows past the usual length: at most
// log2(N) + 2 commands for a service of N blocks.
#include "BenchHome.h"
#include "ServiceDump.h"
#include "felica.h"
#include "library_control.h"
#include "pn532_emulator.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <optional>
#include <vector>

namespace {

constexpr std::chrono::milliseconds kCardFrame{4};

// Services of the given lengths in the common area.
felica::CardImage blockCard(const std::vector<int>& lengths) {
    felica::CardImage card;
    card.idm = {0x01, 0x2E, 0x4B, 0x0C, 0x7F, 0x24, 0x0A, 0x16};
    card.pmm = {0x03, 0x01, 0x4B, 0x02, 0x4F, 0x49, 0x93, 0xFF};
    felica::SystemImage sys;
    sys.code = {0xFE, 0x00};
    sys.idm = card.idm;
    sys.areas.push_back({0x0000, 0xFFFF, 0});
    for (int s = 0; s < static_cast<int>(lengths.size()); ++s) {
        felica::ServiceImage service;
        service.code = static_cast<std::uint16_t>(0x100F + 0x40 * s);
        service.hasBlocks = true;
        for (int b = 0; b < lengths[static_cast<std::size_t>(s)]; ++b)
            service.blocks.push_back({static_cast<std::uint8_t>(s), static_cast<std::uint8_t>(b)});
        sys.services.push_back(service);
    }
    card.systems.push_back(sys);
    return card;
}

std::optional<felica::CardImage> loadCard(const char* name, std::string& error) {
    if (std::string(name) == "forty") return blockCard({40, 40, 40, 40, 40, 40});
    if (std::string(name) == "long") return blockCard({41, 64, 128, 255});
    return felica::CardImage::load(std::string(KUVORA_SOURCE_DIR "/data/cards/") + name, error);
}

void dump(benchmark::State& state, const char* card, BlockProbe probe, bool emulated) {
    BenchHome home;
    std::string error;
    auto image = loadCard(card, error);
    if (!image) {
        state.SkipWithError(error.c_str());
        return;
    }
    std::unique_ptr<pn532::Emulator> emu;
    std::string reader;
    if (emulated) {
        emu = std::make_unique<pn532::Emulator>(*image);
        if (!emu->start(error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        emu->setCardDelay(kCardFrame);
        reader = emu->readerName();
    } else {
        const std::string path = home.dir.filePath("card.json").toStdString();
        if (!image->save(path, error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        reader = "image:" + path;
    }
    initialize_library();
    set_reader_writer_name(reader.c_str());
    double commands = 0, probeCommands = 0, services = 0;
    bool complete = true;
    for (auto _ : state) {
        felica::resetCounters();
        QByteArray text;
        const ServiceDumpResult r = DumpCardServices(text, probe);
        complete = complete && r.outcome == ServiceDumpResult::Outcome::Complete;
        commands += static_cast<double>(felica::counters().commandsSent);
        probeCommands += static_cast<double>(r.probeCommands);
        services = r.probedServices;
    }
    dispose_library();
    if (!complete) state.SkipWithError("the dump did not complete");
    const double n = static_cast<double>(state.iterations());
    state.counters["felica_cmds"] = commands / n;
    state.counters["probe_cmds"] = probeCommands / n;
    state.counters["services"] = services;
    state.counters["cmds_per_service"] = services > 0 ? probeCommands / n / services : 0;
}

}  // namespace

#define DUMP_BENCH(name, card, iterationsVirtual, iterationsEmulated)                                          \
    BENCHMARK_CAPTURE(dump, name##_fast_virtual, card, BlockProbe::Fast, false)                                \
        ->Unit(benchmark::kMillisecond)->Iterations(iterationsVirtual)->UseRealTime();                         \
    BENCHMARK_CAPTURE(dump, name##_naive_virtual, card, BlockProbe::Naive, false)                              \
        ->Unit(benchmark::kMillisecond)->Iterations(iterationsVirtual)->UseRealTime();                         \
    BENCHMARK_CAPTURE(dump, name##_fast_pn532, card, BlockProbe::Fast, true)                                   \
        ->Unit(benchmark::kMillisecond)->Iterations(iterationsEmulated)->UseRealTime();                        \
    BENCHMARK_CAPTURE(dump, name##_naive_pn532, card, BlockProbe::Naive, true)                                 \
        ->Unit(benchmark::kMillisecond)->Iterations(iterationsEmulated)->UseRealTime()

DUMP_BENCH(forty_blocks, "forty", 20, 2);
DUMP_BENCH(long_services, "long", 20, 2);
DUMP_BENCH(common_area, "common-area-sample.json", 20, 2);
DUMP_BENCH(suica, "suica-sample.json", 20, 2);
DUMP_BENCH(green, "suica-green-sample.json", 20, 2);
BENCHMARK_MAIN();
