// kuvora: the window program.
#include "CKuvoraApp.h"
#include "CKuvoraDoc.h"
#include "CKuvoraView.h"
#include "CMainFrame.h"
#include "EndSignals.h"
#include "WindowPlatform.h"
#include "utf8_locale.h"

#include <QTimer>

#include <cstdio>
#include <ctime>

namespace {

// KUVORA_FIRST_FRAME_REPORT=1: once the view's first frame has been painted
// and the window's backing store flushed to the display (the flush follows
// the paint within the same update, so the next turn of the event loop comes
// after it), prints "first-frame NS" with the system-wide monotonic clock
// and quits. A start-up benchmark compares it with the time it started us.
// KUVORA_FIRST_FRAME_REPORT=rows: the same for the first frame that shows
// the rows of a card read (read on touch, for a benchmark that places one).
class FirstFrameReport : public QObject {
public:
    explicit FirstFrameReport(const CKuvoraDoc* rowsOf) : m_pRowsOf(rowsOf) {}
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint && !m_bSeen && (!m_pRowsOf || m_pRowsOf->m_bCardRead)) {
            m_bSeen = true;
            QTimer::singleShot(0, qApp, [] {
                timespec now{};
                clock_gettime(CLOCK_MONOTONIC, &now);
                std::printf("first-frame %lld\n", static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
                std::fflush(stdout);
                QCoreApplication::quit();
            });
        }
        return false;
    }

private:
    const CKuvoraDoc* m_pRowsOf;
    bool m_bSeen = false;
};

}  // namespace

int main(int argc, char** argv) {
    platform::useUtf8CharacterType();
    // --help and --version print and end, without a display.
    QStringList arguments;
    for (int i = 1; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    const CommandLine options = ParseCommandLine(arguments);
    if (options.error.isEmpty() && (options.help || options.version)) {
        const QString text = options.help ? CommandLineUsage()
                                          : QStringLiteral("kuvora %1\n").arg(QLatin1String(CKuvoraApp::kVersion));
        std::fputs(text.toLocal8Bit().constData(), stdout);
        return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
    }
    // A window opens on Wayland where the session has it, else on X.
    // Serving or (un)registering the automation object needs no display.
    const WindowPlatforms platforms = SelectWindowPlatforms(OpensWindow(argc, argv));
    CKuvoraApp app(argc, argv);
    if (!RestorePlatformAndCheckDisplay(platforms)) return 1;
    // A signal ends the program as a close from the window does, but at once:
    // the text being read aloud is not waited for.
    const EndSignals endSignals([&app](int) {
        if (app.Document()) app.Document()->m_Speaker.Silence();
        CloseAllAndQuit();
    });
    if (!app.InitInstance()) return app.ExitCode();
    if (endSignals.Received()) return 0;
    const bool rows = qgetenv("KUVORA_FIRST_FRAME_REPORT") == "rows";
    FirstFrameReport firstFrame(rows ? app.Document() : nullptr);
    if (!qEnvironmentVariableIsEmpty("KUVORA_FIRST_FRAME_REPORT") && app.MainFrame())
        app.MainFrame()->View()->installEventFilter(&firstFrame);
    return app.exec();
}
