// The stored cards against History.db's size: listing the cards,
// refreshing the stored-cards dock, loading a card of 1,000 stored rows into a
// document, and showing that card in the window (stored history loaded, the
// grid or the plain list and the band refreshed, the window repainted,
// offscreen), in a History.db holding only that card and in two
// of 1,000,000 rows (the rest over 9 cards, or over 999 cards). Rounds run
// interleaved over the three files; medians. Target: each under 50 ms, flat
// in the number of rows.
//   bench_stored_cards [ROUNDS]   (default 15)
#include "BenchHistory.h"
#include "CKuvoraDoc.h"
#include "CKuvoraView.h"
#include "CMainFrame.h"
#include "StoredCardsDock.h"
#include "StoredHistory.h"

#include <QApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double msOf(const std::function<void()>& work) {
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

const QString kCard = QStringLiteral("01010410C8192A3B");

struct Database {
    const char* name;
    int otherRows;
    int otherCards;
    QTemporaryDir dir;
    std::vector<double> listing, dock, load, show, showPlain;
    int cards = 0;

    void use() const { qputenv("XDG_DATA_HOME", (dir.path() + "/data").toUtf8()); }
    void fill() {
        use();
        if (otherRows > 0) fillHistory(otherRows, otherCards);
        fillSampleCardHistory(1000);
    }
};

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toUtf8());
    QApplication app(argc, argv);

    Database databases[] = {{"1,000 rows, 1 card", 0, 0, {}, {}, {}, {}, {}, {}},
                            {"1,000,000 rows, 10 cards", 999000, 9, {}, {}, {}, {}, {}, {}},
                            {"1,000,000 rows, 1,000 cards", 999000, 999, {}, {}, {}, {}, {}, {}}};
    for (Database& d : databases) {
        const double ms = msOf([&] { d.fill(); });
        std::printf("filled %-28s in %.1f s\n", d.name, ms / 1000);
    }

    CKuvoraDoc doc;
    doc.OnNewDocument();
    CMainFrame frame(&doc);
    frame.resize(1100, 700);
    frame.show();
    StoredCardsDock* dock = frame.StoredCards();
    dock->show();
    QApplication::processEvents();
    // One round each first: the first open of a file checks it whole.
    for (Database& d : databases) {
        d.use();
        frame.ShowStoredCard(kCard, 1);
        dock->Refresh();
    }
    for (int round = 0; round < rounds; ++round) {
        for (Database& d : databases) {
            d.use();
            CHistoryTable table;
            std::vector<StoredCard> cards;
            QString error;
            d.listing.push_back(msOf([&] { ListStoredCards(table, cards, error); }));
            d.cards = static_cast<int>(cards.size());
            d.dock.push_back(msOf([&] {
                dock->Refresh();
                dock->repaint();
            }));
            CKuvoraDoc loaded;
            d.load.push_back(msOf([&] { LoadStoredHistory(table, loaded, kCard, 1); }));
            // In the grid, then in the plain list.
            for (auto* times : {&d.show, &d.showPlain}) {
                frame.View()->SetPlainView(times == &d.showPlain);
                times->push_back(msOf([&] {
                    frame.ShowStoredCard(kCard, 1);
                    QApplication::processEvents();
                }));
                if (doc.m_nRows != 1000) std::printf("unexpected: %d rows shown\n", doc.m_nRows);
            }
        }
    }
    std::printf("\nStored cards on %s, %d rounds, a card with 1,000 stored rows; median ms\n\n",
                qgetenv("QT_QPA_PLATFORM").constData(), rounds);
    std::printf("%-30s %6s %9s %9s %9s %10s %10s\n", "History.db", "cards", "listing", "dock", "load",
                "show:grid", "show:plain");
    for (const Database& d : databases)
        std::printf("%-30s %6d %9.2f %9.2f %9.2f %10.2f %10.2f\n", d.name, d.cards, median(d.listing),
                    median(d.dock), median(d.load), median(d.show), median(d.showPlain));
    std::printf("\ntarget: each under 50 ms, flat in the number of rows\n");
    return 0;
}
