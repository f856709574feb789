// The window program: its own start-up path (application object, menu style,
// icon, document, main window) to the first paint of the view, timed with a
// monotonic clock from the start of main(); the Read command of a card with
// 1,000 stored rows, whose reload refills and repaints the grid; a refill
// and repaint of 1,000 rows alone; and the resident memory afterwards.
// Targets: first paint <= 300 ms, refill <= 10 ms, resident memory <= 80 MB.
//
// Runs on the platform QT_QPA_PLATFORM names (offscreen by default; run
// under xvfb-run with QT_QPA_PLATFORM=xcb for a real X server).
//   bench_window [ROUNDS]   (default 20)
#include "BenchHistory.h"
#include "BenchTimes.h"
#include "CKuvoraApp.h"
#include "CKuvoraDoc.h"
#include "CKuvoraView.h"
#include "CMainFrame.h"
#include "felica.h"

#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

long residentKilobytes() {
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

class FirstPaint : public QObject {
public:
    bool painted = false;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) painted = true;
        return false;
    }
};

}  // namespace

int main(int argc, char** argv) {
    const auto processStart = Clock::now();
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toUtf8());
    qputenv("XDG_DATA_HOME", (home.path() + "/data").toUtf8());
    const QByteArray reader = "image:" KUVORA_SOURCE_DIR "/data/cards/suica-sample.json";
    qputenv("KUVORA_READER", reader);
    int appArgc = 1;
    CKuvoraApp app(appArgc, argv);
    if (!app.InitInstance()) return app.ExitCode();
    FirstPaint first;
    app.MainFrame()->View()->installEventFilter(&first);
    while (!first.painted) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double startup = std::chrono::duration<double, std::milli>(Clock::now() - processStart).count();

    CKuvoraDoc& doc = *app.Document();
    CMainFrame& frame = *app.MainFrame();
    set_reader_writer_name(reader.constData());
    doc.m_nMode = 0;
    frame.ReadCard();  // the card's own 20 rows stored
    fillSampleCardHistory(980);
    Times read, refill;
    for (int i = 0; i < rounds; ++i) {
        read.time([&] {
            frame.ReadCard();
            frame.View()->repaint();
            QApplication::processEvents();
        });
        refill.time([&] {
            frame.View()->OnUpdate();
            frame.View()->repaint();
            QApplication::processEvents();
        });
    }
    const long rss = residentKilobytes();
    std::printf("Window program on %s, %d rounds, card with %d stored rows\n\n",
                qgetenv("QT_QPA_PLATFORM").constData(), rounds, doc.m_nRows);
    std::printf("%-34s %9s %9s %9s\n", "", "median ms", "min ms", "max ms");
    std::printf("%-34s %9.2f %9s %9s   target <= 300 ms\n", "start-up to first paint", startup, "", "");
    read.print("Read with reload of stored rows", "");
    refill.print("refill and repaint", "target <= 10 ms");
    std::printf("%-34s %9.1f MB                       target <= 80 MB\n", "resident memory", rss / 1024.0);
    return 0;
}
