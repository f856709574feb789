// The Read command end to end on the virtual reader (Auto mode, the sample
// Suica card): per-read time with an empty History.db and with one that
// already holds 1,000,000 rows of 1,000 cards. Target: under 20 ms per read
// at 1,000,000 rows, and at most 1.5 times the empty-database time.
#include "CHistoryTable.h"
#include "BenchHistory.h"
#include "BenchHome.h"
#include "CKuvoraDoc.h"
#include "DbConnection.h"
#include "MessageSink.h"
#include "felica.h"

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

void readCard(benchmark::State& state) {
    BenchHome home;
    if (state.range(0) > 0) fillHistory(static_cast<int>(state.range(0)));
    RecordingMessageSink messages;
    ScopedMessageSink sink(&messages);
    initialize_library();
    const QByteArray reader = "image:" KUVORA_SOURCE_DIR "/data/cards/suica-sample.json";
    set_reader_writer_name(reader.constData());
    CKuvoraDoc doc;
    doc.OnNewDocument();
    doc.m_nMode = 0;
    doc.OnCardRead();  // the card's own rows are stored by the first read
    for (auto _ : state) {
        doc.OnCardRead();
        benchmark::DoNotOptimize(doc.m_nRows);
    }
    if (!messages.messages.isEmpty() || doc.m_nRows != 20) state.SkipWithError("the read did not succeed");
    dispose_library();
}

}  // namespace

BENCHMARK(readCard)->Arg(0)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(200);
BENCHMARK_MAIN();
