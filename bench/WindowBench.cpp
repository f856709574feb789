// The window: time from process start to the first painted main window, the
// time to refresh the grid and repaint for 1000 records, and the resident
// memory after a read. Targets: first paint <= 300 ms, refresh <= 10 ms,
// resident memory <= 80 MB.
//
// Runs on the platform QT_QPA_PLATFORM names (offscreen by default; run
// under xvfb-run with QT_QPA_PLATFORM=xcb for a real X server).
#include "CKuvoraDoc.h"
#include "CKuvoraView.h"
#include "CMainFrame.h"
#include "MessageSink.h"
#include "felica.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <unistd.h>

namespace {

// Seconds since the process started, from /proc.
double secondsSinceProcessStart() {
    QFile stat("/proc/self/stat");
    QFile uptime("/proc/uptime");
    if (!stat.open(QIODevice::ReadOnly) || !uptime.open(QIODevice::ReadOnly)) return -1;
    const QByteArray s = stat.readAll();
    const QList<QByteArray> fields = s.mid(s.lastIndexOf(')') + 2).split(' ');
    const double startTicks = fields.value(19).toDouble();  // field 22 of the whole line
    const double up = uptime.readAll().split(' ').value(0).toDouble();
    return up - startTicks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

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

CKuvoraDoc* g_doc = nullptr;
CMainFrame* g_frame = nullptr;

void refreshAndRepaint(benchmark::State& state) {
    g_doc->m_nRows = 1000;
    for (int r = 0; r < 1000; ++r) g_doc->m_History.SetText(history::BlockData, r, QString::asprintf("%032X", r));
    for (auto _ : state) {
        g_frame->View()->OnUpdate();
        g_frame->View()->repaint();
        QApplication::processEvents();
    }
}
BENCHMARK(refreshAndRepaint)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toUtf8());
    qputenv("XDG_DATA_HOME", (home.path() + "/data").toUtf8());
    QApplication app(argc, argv);
    initialize_library();
    RecordingMessageSink messages;
    ScopedMessageSink sink(&messages);
    CKuvoraDoc doc;
    doc.OnNewDocument();
    CMainFrame frame(&doc);
    FirstPaint first;
    frame.View()->installEventFilter(&first);
    frame.show();
    while (!first.painted) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double startup = secondsSinceProcessStart();

    const QByteArray reader = "image:" KUVORA_SOURCE_DIR "/data/cards/suica-sample.json";
    set_reader_writer_name(reader.constData());
    doc.m_nMode = 0;
    frame.ReadCard();
    QApplication::processEvents();
    const long rss = residentKilobytes();
    std::printf("first painted window: %.0f ms after process start (target <= 300 ms)\n", startup * 1000);
    std::printf("resident memory after a read: %.1f MB (target <= 80 MB)\n", rss / 1024.0);

    g_doc = &doc;
    g_frame = &frame;
    ::benchmark::Initialize(&argc, argv);
    ::benchmark::RunSpecifiedBenchmarks();
    std::printf("(target for refreshAndRepaint: <= 10 ms)\n");
    dispose_library();
    return 0;
}
