// The export files of 1,000 display rows in each format, and a stored
// history export (find the IDm's card, load its 1,000 stored rows, write the
// workbook) from a History.db of 1,000 rows and of 1,000,000 rows. Target:
// each under 50 ms; the stored history export at most 1.5 times as slow on the large
// database as on the small one.
#include "BenchHistory.h"
#include "BenchHome.h"
#include "CKuvoraDoc.h"
#include "HistoryExport.h"
#include "MessageSink.h"
#include "StoredHistory.h"

#include <benchmark/benchmark.h>

using namespace history;

namespace {

void fillRows(CKuvoraDoc& doc) {
    doc.OnNewDocument();
    doc.m_strIDm = "01010410C8192A3B";
    doc.m_nCardType = 1;
    doc.m_nRows = doc.m_nCardRows = CHistoryDisplay::kRows;
    for (int row = 0; row < CHistoryDisplay::kRows; ++row) {
        CHistoryDisplay& h = doc.m_History;
        h.SetText(BlockData, row, QString::asprintf("16010000357C0110%016X", row));
        for (int c : {TerminalCode, TradeCode, DepartureLineCode, DepartureStationCode, ArrivalLineCode,
                      ArrivalStationCode})
            h.SetText(c, row, QString::asprintf("%02X", row % 256));
        h.SetText(Terminal, row, "改札機");
        h.SetText(Trade, row, "支払");
        h.SetText(Date, row, "26年11月28日");
        h.SetText(DateCode, row, "357C");
        h.SetText(DepartureCompany, row, "見本鉄道");
        h.SetText(DepartureStation, row, QString("見本中央%1").arg(row % 50));
        h.SetText(ArrivalCompany, row, "見本鉄道");
        h.SetText(ArrivalStation, row, QString("見本公園%1").arg(row % 70));
        h.SetText(Balance, row, QString::asprintf("%5d", row * 7));
        h.SetText(Charge, row, QString::asprintf("%5d", 210));
        h.SetText(SerialCode, row, QString::asprintf("%06X", row));
        h.SetText(Serial, row, QString::asprintf("%8d", row));
    }
}

void exportRows(benchmark::State& state) {
    BenchHome home;
    CKuvoraDoc doc;
    fillRows(doc);
    const auto format = static_cast<ExportFormat>(state.range(0));
    for (auto _ : state) benchmark::DoNotOptimize(ExportFile(doc, format));
}

void storedHistoryExport(benchmark::State& state) {
    BenchHome home;
    const int rows = static_cast<int>(state.range(0));
    fillHistory(rows, rows / 1000);  // card 0 holds 1000 rows either way
    RecordingMessageSink messages;
    ScopedMessageSink sink(&messages);
    CHistoryTable table;
    CKuvoraDoc doc;
    std::vector<StoredCard> cards;
    QString error;
    for (auto _ : state) {
        ListStoredCards(table, cards, error, "0101000000000000");
        LoadStoredHistory(table, doc, "0101000000000000", cards.at(0).cardType);
        benchmark::DoNotOptimize(ExportWorkbook(doc));
    }
    if (!messages.messages.isEmpty() || doc.m_nRows != 1000) state.SkipWithError("the stored history did not load");
}

}  // namespace

BENCHMARK(exportRows)->ArgName("format")->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(storedHistoryExport)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(50);
BENCHMARK_MAIN();
