// The Read command in Auto mode on an RC-S380: the Port-100 driver talking to
// the emulated chip, every frame from the chip taking as long as a USB
// transfer with the card's air time does. Each sample card once, with the
// device kept between the read's opens. Per read: device initialisations,
// FeliCa commands (retries included), transfers written to the chip (chip
// commands and ACKs), and wall time.
#include "BenchHome.h"
#include "CKuvoraDoc.h"
#include "MessageSink.h"
#include "felica.h"
#include "library_control.h"
#include "port100_chip.h"

#include <benchmark/benchmark.h>

#include <QDir>

namespace {

// One bulk transfer each way and, for InCommRF, a few milliseconds on the air:
// about 2 ms for each frame the chip sends (its ACK and its reply).
constexpr std::chrono::microseconds kFrameDelay{2000};

void autoRead(benchmark::State& state, const std::string& card) {
    BenchHome home;
    std::string error;
    auto image = felica::CardImage::load(card, error);
    if (!image) {
        state.SkipWithError(error.c_str());
        return;
    }
    std::vector<std::unique_ptr<felica::port100::Chip>> chips;
    felica::setTransportFactory([&](const std::string&, std::string& why) -> std::unique_ptr<felica::Transport> {
        chips.push_back(std::make_unique<felica::port100::Chip>(*image));
        chips.back()->setFrameDelay(kFrameDelay);
        return felica::Port100Transport::open(chips.back()->channel(), "usb:001:002", why);
    });
    RecordingMessageSink messages;
    ScopedMessageSink sink(&messages);
    initialize_library();
    set_reader_writer_name("usb");
    CKuvoraDoc doc;
    doc.OnNewDocument();
    doc.m_nMode = 0;
    double inits = 0, commands = 0, chipCommands = 0;
    for (auto _ : state) {
        state.PauseTiming();
        felica::setIdleRelease(std::chrono::milliseconds(0));  // each read starts without a kept device
        felica::setIdleRelease(std::chrono::milliseconds(1500));
        felica::resetCounters();
        std::size_t written = 0;
        for (const auto& c : chips) written += c->written().size();
        state.ResumeTiming();
        doc.OnCardRead();
        state.PauseTiming();
        inits += static_cast<double>(felica::counters().transportsOpened);
        commands += static_cast<double>(felica::counters().commandsSent);
        std::size_t after = 0;
        for (const auto& c : chips) after += c->written().size();
        chipCommands += static_cast<double>(after - written);
        state.ResumeTiming();
    }
    // A card of no known type (the common-area sample) fails as it does on
    // its card image; its detections are still measured.
    state.counters["card_type"] = doc.m_nCardType;
    state.counters["messages"] = static_cast<double>(messages.messages.size());
    const double n = static_cast<double>(state.iterations());
    state.counters["inits"] = inits / n;
    state.counters["felica_cmds"] = commands / n;
    state.counters["chip_writes"] = chipCommands / n;
    dispose_library();
    felica::setTransportFactory({});
}

}  // namespace

int main(int argc, char** argv) {
    const QDir cards(KUVORA_SOURCE_DIR "/data/cards");
    for (const QString& name : cards.entryList({"*.json"}, QDir::Files, QDir::Name)) {
        const std::string path = cards.filePath(name).toStdString();
        benchmark::RegisterBenchmark(name.chopped(5).toStdString().c_str(),
                                     [path](benchmark::State& s) { autoRead(s, path); })
            ->Unit(benchmark::kMillisecond)
            ->Iterations(3)
            ->UseRealTime();
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
