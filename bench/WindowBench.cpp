// The window program, as a user waits for it:
//
// Start-up: `kuvora` started as a process, from the moment before fork to its
// first frame flushed to a real X server, over several starts (median, min,
// max; target <= 200 ms). The benchmark starts its own Xvfb (it picks a free
// display number and says it through -displayfd, once it accepts
// connections) and stops it by its PID at the end. Each start runs with
// QT_QPA_PLATFORM=xcb, a home of its own and KUVORA_FIRST_FRAME_REPORT=1:
// the program then prints the system-wide monotonic time at which the view's
// first paint and the flush of that frame to the X server are behind it, and
// quits. Both sides read CLOCK_MONOTONIC, so the difference is the whole
// start: loading and linking, Qt, the settings, the window and its frame.
//
// End: the window program on the same X server, reading the sample card,
// ended by SIGTERM as a session's end does; from the signal to the end of
// the process, which saves the window's settings on the way (target <= 500
// ms).
//
// In process (QT_QPA_PLATFORM, offscreen by default): the Read command of a
// card with 1,000 stored rows, whose reload refills and repaints the grid; a
// refill and repaint of 1,000 rows alone; and the resident memory afterwards.
// Targets: refill <= 10 ms, resident memory <= 80 MB.
//
//   bench_window [ROUNDS [STARTS]]   (defaults 20 and 7)
#include "BenchHistory.h"
#include "BenchTimes.h"
#include "PrivateXServer.h"
#include "CKuvoraApp.h"
#include "CKuvoraDoc.h"
#include "CKuvoraView.h"
#include "CMainFrame.h"
#include "felica.h"

#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {


long residentKilobytes() {
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

// Starts the window program on `display` with `home` as its home, its
// standard output to `out` (its notes on the missing session bus and the
// like to /dev/null), reading `card` (a card image) when one is given.
pid_t startWindow(const std::string& display, const std::string& home, int out, bool firstFrameReport,
                  const char* card) {
    const pid_t pid = fork();
    if (pid != 0) return pid;
    dup2(out, 1);
    const int devnull = open("/dev/null", O_WRONLY);
    if (devnull >= 0) dup2(devnull, 2);
    setenv("DISPLAY", display.c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    if (firstFrameReport) setenv("KUVORA_FIRST_FRAME_REPORT", "1", 1);
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home + "/config").c_str(), 1);
    setenv("XDG_DATA_HOME", (home + "/data").c_str(), 1);
    const std::string reader = card ? std::string("image:") + card : std::string();
    if (card)
        execl(KUVORA_WINDOW, KUVORA_WINDOW, "--reader", reader.c_str(), card, static_cast<char*>(nullptr));
    else
        execl(KUVORA_WINDOW, KUVORA_WINDOW, static_cast<char*>(nullptr));
    _exit(127);
}

// One start of the window program up to its first flushed frame; -1 when it
// did not report one.
double timeWindowStart(const std::string& display, const QString& home) {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    const long long start = monotonicNs();
    const pid_t pid = startWindow(display, home.toStdString(), fds[1], true, nullptr);
    close(fds[1]);
    std::string out;
    char buffer[256];
    ssize_t n;
    while ((n = read(fds[0], buffer, sizeof buffer)) > 0) out.append(buffer, static_cast<std::size_t>(n));
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    const auto at = out.find("first-frame ");
    if (at == std::string::npos) return -1;
    return (std::atoll(out.c_str() + at + 12) - start) / 1e6;
}

// One end of the window program by SIGTERM, as a session ends it, two
// seconds after it started reading the sample card: from the signal to the
// process's end (its size and column widths saved on the way); -1 when it
// did not end within ten seconds.
double timeWindowEnd(const std::string& display, const QString& home) {
    const int devnull = open("/dev/null", O_WRONLY);
    const pid_t pid = startWindow(display, home.toStdString(), devnull, false,
                                  KUVORA_SOURCE_DIR "/data/cards/suica-sample.json");
    close(devnull);
    std::this_thread::sleep_for(std::chrono::seconds(2));
    const long long start = monotonicNs();
    kill(pid, SIGTERM);
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (monotonicNs() - start > 10'000'000'000LL) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return (monotonicNs() - start) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    const int starts = argc > 2 ? std::max(1, std::atoi(argv[2])) : 7;
    QTemporaryDir home;

    // Process start to the first frame on a real X server.
    Times startup, end;
    {
        PrivateXServer x;
        if (x.Display().empty()) {
            std::fprintf(stderr, "bench_window: Xvfb did not start\n");
            return 1;
        }
        for (int i = 0; i < starts; ++i) {
            const double ms = timeWindowStart(x.Display(), home.filePath("start"));
            if (ms < 0) {
                std::fprintf(stderr, "bench_window: kuvora reported no first frame on %s\n", x.Display().c_str());
                return 1;
            }
            startup.ms.push_back(ms);
        }
        for (int i = 0; i < starts; ++i) {
            const double ms = timeWindowEnd(x.Display(), home.filePath("end"));
            if (ms < 0) {
                std::fprintf(stderr, "bench_window: kuvora did not end on SIGTERM\n");
                return 1;
            }
            end.ms.push_back(ms);
        }
    }

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toUtf8());
    qputenv("XDG_DATA_HOME", (home.path() + "/data").toUtf8());
    const QByteArray reader = "image:" KUVORA_SOURCE_DIR "/data/cards/suica-sample.json";
    qputenv("KUVORA_READER", reader);
    int appArgc = 1;
    CKuvoraApp app(appArgc, argv);
    if (!app.InitInstance()) return app.ExitCode();
    QApplication::processEvents();

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
    std::printf("Window program: %d starts on Xvfb (xcb); in process on %s, %d rounds, card with %d stored rows\n\n",
                starts, qgetenv("QT_QPA_PLATFORM").constData(), rounds, doc.m_nRows);
    std::printf("%-34s %9s %9s %9s\n", "", "median ms", "min ms", "max ms");
    startup.print("process start to first X frame", "target <= 200 ms");
    end.print("SIGTERM to the process's end", "target <= 500 ms");
    read.print("Read with reload of stored rows", "");
    refill.print("refill and repaint", "target <= 10 ms");
    std::printf("%-34s %9.1f MB                       target <= 80 MB\n", "resident memory", rss / 1024.0);
    return 0;
}
