// Read on touch as a user waits for it. The card is placed at a random
// moment while the program waits for one, and the time to what the user
// sees is taken from outside, over many placements:
//  - kuvora-cli read --wait: placed -> the complete JSON on its standard
//    output;
//  - the window program with read on touch on, on a private Xvfb: placed ->
//    the first frame with the card's rows flushed to the X server (it
//    reports that frame with KUVORA_FIRST_FRAME_REPORT=rows).
// Routes: libnfc with the PN532 emulator on a pty (placed: the emulator puts
// the card in its field) and PC/SC through a private pcscd with vpcd and the
// ACR122U vICC (placed: the vICC connects to vpcd). Beside each route the
// floor: for the PN532 the bytes on the serial line from placement to
// output, as time on a real 115200-baud line; for PC/SC the time pcscd takes
// to see the card (it polls vpcd for it), which no program can beat.
//
// Then the cost of waiting with no card: CPU time (share of one core) and
// wakeups (context switches) per second of kuvora-cli and of the window,
// and of the watch alone at several poll intervals, the figures the poll
// interval was chosen by.
//   bench_touch [PLACEMENTS [IDLE_SECONDS]]   (defaults 20 and 10)
#include "BenchTimes.h"
#include "PcscRig.h"
#include "PrivateXServer.h"
#include "felica.h"
#include "library_control.h"
#include "pn532_emulator.h"
#include "read_idm.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <poll.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const std::string kCard = KUVORA_SOURCE_DIR "/data/cards/suica-sample.json";

double msSince(Clock::time_point t0, Clock::time_point t1) {
    return std::chrono::duration<double, std::milli>(t1 - t0).count();
}

// A program started with its standard output on a pipe (standard error
// thrown away) and its environment changed by `env` ("NAME=VALUE").
class Child {
public:
    Child(const std::string& program, const std::vector<std::string>& args, const std::vector<std::string>& env) {
        int fds[2];
        if (pipe(fds) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            close(fds[0]);
            dup2(fds[1], 1);
            const int devnull = open("/dev/null", O_WRONLY);
            if (devnull >= 0) dup2(devnull, 2);
            for (const std::string& e : env) putenv(strdup(e.c_str()));
            std::vector<char*> argv{const_cast<char*>(program.c_str())};
            for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execv(program.c_str(), argv.data());
            _exit(127);
        }
        close(fds[1]);
        out_ = fds[0];
    }
    ~Child() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        if (out_ >= 0) close(out_);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    pid_t pid() const { return pid_; }
    // Waits up to `limit` for more output; false at its end or when the time is up.
    bool read(std::chrono::milliseconds limit) {
        pollfd p{out_, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(limit.count())) <= 0) return false;
        char buffer[4096];
        const ssize_t n = ::read(out_, buffer, sizeof buffer);
        if (n <= 0) return false;
        text.append(buffer, static_cast<std::size_t>(n));
        return true;
    }
    // Reads until `done` holds; the time it first held, or nothing.
    std::optional<Clock::time_point> readUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
        const auto end = Clock::now() + limit;
        while (!done()) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
            if (left.count() <= 0 || !read(left)) return std::nullopt;
        }
        return Clock::now();
    }
    // Waits for it to end by itself.
    void finish() {
        if (pid_ > 0) waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

    std::string text;

private:
    pid_t pid_ = -1;
    int out_ = -1;
};

// CPU time of a running process (its threads that ended included) and the
// context switches of each thread it has now.
struct Usage {
    double cpuNs = 0;
    std::map<QString, double> switches;  // by thread id
};
Usage usageOf(pid_t pid) {
    Usage u;
    QFile stat(QString("/proc/%1/stat").arg(pid));
    if (stat.open(QIODevice::ReadOnly)) {
        // utime and stime are the 12th and 13th fields after the name in parentheses.
        const QByteArray text = stat.readAll();
        const QList<QByteArray> f = text.mid(text.lastIndexOf(')') + 2).split(' ');
        u.cpuNs = (f.value(11).toDouble() + f.value(12).toDouble()) * 1e9 / static_cast<double>(sysconf(_SC_CLK_TCK));
    }
    const QDir tasks(QString("/proc/%1/task").arg(pid));
    for (const QString& tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile status(tasks.filePath(tid + "/status"));
        if (!status.open(QIODevice::ReadOnly)) continue;
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.contains("ctxt_switches:")) u.switches[tid] += line.split(':').value(1).trimmed().toDouble();
    }
    return u;
}

struct IdleCost {
    double cpuPercent = 0, wakeupsPerSecond = 0;
};
// Wakeups are counted on the threads that lived through the whole time.
IdleCost idleCost(pid_t pid, int seconds) {
    const Usage a = usageOf(pid);
    const auto t0 = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const Usage b = usageOf(pid);
    const double s = msSince(t0, Clock::now()) / 1000;
    double switches = 0;
    for (const auto& [tid, n] : b.switches)
        if (a.switches.count(tid)) switches += n - a.switches.at(tid);
    return {(b.cpuNs - a.cpuNs) / 1e9 / s * 100, switches / s};
}

struct Row {
    std::string name;
    Times times;
    std::vector<double> floor;  // per placement, ms
    std::string floorText(const char* unit) {
        if (floor.empty()) return "-";
        std::sort(floor.begin(), floor.end());
        char text[96];
        std::snprintf(text, sizeof text, "%.1f ms %s", floor[floor.size() / 2], unit);
        return text;
    }
};

void printRow(Row& r, const std::string& floor) {
    if (r.times.ms.empty()) {
        std::printf("%-38s %9s\n", r.name.c_str(), "failed");
        return;
    }
    const double m = r.times.median();
    std::printf("%-38s %9.1f %9.1f %9.1f   %s\n", r.name.c_str(), m, r.times.ms.front(), r.times.ms.back(),
                floor.c_str());
}

std::vector<std::string> homeEnv(const QString& home, const std::string& reader) {
    return {"HOME=" + home.toStdString(), "XDG_CONFIG_HOME=" + home.toStdString() + "/config",
            "XDG_DATA_HOME=" + home.toStdString() + "/data", "KUVORA_READER=" + reader};
}

// A home whose settings turn read on touch on.
QString windowHome(QTemporaryDir& root, const char* name) {
    const QString home = root.filePath(name);
    QDir().mkpath(home + "/config/Mirokaze");
    QFile conf(home + "/config/Mirokaze/Kuvora.conf");
    if (conf.open(QIODevice::WriteOnly)) conf.write("[Settings]\nReadOnTouch=1\n");
    return home;
}

std::vector<std::string> windowEnv(const QString& home, const std::string& reader, const std::string& display) {
    std::vector<std::string> env = homeEnv(home, reader);
    env.insert(env.end(), {"DISPLAY=" + display, "QT_QPA_PLATFORM=xcb", "KUVORA_FIRST_FRAME_REPORT=rows"});
    return env;
}

bool jsonComplete(const std::string& s) { return s.size() > 2 && s.compare(s.size() - 2, 2, "}\n") == 0; }

// The time the window reported its first frame with rows, on the steady clock.
std::optional<Clock::time_point> framePrinted(const std::string& s) {
    const auto at = s.find("first-frame ");
    if (at == std::string::npos || s.find('\n', at) == std::string::npos) return std::nullopt;
    return Clock::time_point(std::chrono::nanoseconds(std::atoll(s.c_str() + at + 12)));
}

// Waits until the emulator has answered `polls` more polls: the program watches.
bool watching(pn532::Emulator& emu, std::size_t polls) {
    const std::size_t from = emu.stats().polls;
    for (int i = 0; i < 1000; ++i) {
        if (emu.stats().polls >= from + polls) return true;
        std::this_thread::sleep_for(5ms);
    }
    return false;
}

// One placement on the PN532: `start` starts the program, `done` tells when
// what the user sees is there.
void placeOnPn532(pn532::Emulator& emu, Row& row, std::mt19937& random, const std::function<Child*()>& start,
                  bool window) {
    emu.liftCard();
    std::unique_ptr<Child> child(start());
    if (!watching(emu, window ? 2 : 1)) return;
    std::this_thread::sleep_for(std::chrono::microseconds(std::uniform_int_distribution<int>(0, 100000)(random)));
    emu.resetStats();
    const auto placed = Clock::now();
    emu.placeCard();
    std::optional<Clock::time_point> seen;
    if (window) {
        if (child->readUntil([&] { return framePrinted(child->text).has_value(); }, 10s))
            seen = framePrinted(child->text);
    } else {
        seen = child->readUntil([&] { return jsonComplete(child->text); }, 10s);
    }
    const std::size_t bytes = emu.stats().lineBytes;
    if (!seen) return;
    row.times.ms.push_back(msSince(placed, *seen));
    row.floor.push_back(static_cast<double>(bytes) * 10 / 115200 * 1000);
    child->finish();
}

// One placement on the PC/SC reader: the vICC connects at a random moment.
void placeOnPcsc(test::PcscRig& rig, Row& row, std::mt19937& random, const std::function<Child*()>& start,
                 bool window) {
    std::unique_ptr<Child> child(start());
    std::this_thread::sleep_for(window ? 1500ms : 300ms);  // up and waiting
    std::this_thread::sleep_for(std::chrono::microseconds(std::uniform_int_distribution<int>(0, 500000)(random)));
    const auto placed = Clock::now();
    Child vicc(test::binaryPath("bin/vicc").toStdString(), {"--acr122", std::to_string(rig.port()), kCard}, {});
    std::optional<Clock::time_point> seen, detected;
    const auto end = placed + 10s;
    while (!seen && Clock::now() < end) {
        // The vICC says when pcscd asked for its ATR, the program when it is done.
        if (!detected && vicc.read(0ms) && vicc.text.find("inserted") != std::string::npos) detected = Clock::now();
        if (!child->read(1ms)) continue;
        if (window) seen = framePrinted(child->text);
        else if (jsonComplete(child->text)) seen = Clock::now();
    }
    if (!detected && vicc.readUntil([&] { return vicc.text.find("inserted") != std::string::npos; }, 1s))
        detected = Clock::now();
    if (seen) {
        row.times.ms.push_back(msSince(placed, *seen));
        if (detected) row.floor.push_back(msSince(placed, *detected));
        child->finish();
    }
    child.reset();
    kill(vicc.pid(), SIGTERM);
    vicc.finish();
    std::this_thread::sleep_for(600ms);  // pcscd's next look sees the card gone
}

// The watch alone, polling the empty PN532 every `interval` for `seconds`,
// in a thread of its own: that thread's CPU time and context switches.
IdleCost watchAlone(pn532::Emulator& emu, std::chrono::milliseconds interval, int seconds) {
    emu.liftCard();
    set_reader_writer_name(emu.readerName().c_str());
    IdleCost cost;
    std::thread([&] {
        felica::PlacementWatch watch(interval);
        felica::Idm idm{};
        watch.waitForNewCard(idm, 200ms);  // the device is open and kept
        rusage a{}, b{};
        timespec ca{}, cb{};
        getrusage(RUSAGE_THREAD, &a);
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ca);
        const auto t0 = Clock::now();
        watch.waitForNewCard(idm, std::chrono::seconds(seconds));
        const double s = msSince(t0, Clock::now()) / 1000;
        getrusage(RUSAGE_THREAD, &b);
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cb);
        const double cpu = (cb.tv_sec - ca.tv_sec) + (cb.tv_nsec - ca.tv_nsec) / 1e9;
        cost.cpuPercent = cpu / s * 100;
        cost.wakeupsPerSecond =
            static_cast<double>((b.ru_nvcsw - a.ru_nvcsw) + (b.ru_nivcsw - a.ru_nivcsw)) / s;
    }).join();
    return cost;
}

void printIdle(const char* what, const IdleCost& c) {
    std::printf("%-44s %6.2f %% of a core %8.1f wakeups/s\n", what, c.cpuPercent, c.wakeupsPerSecond);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int placements = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    const int idleSeconds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10;
    std::mt19937 random(39);
    QTemporaryDir root;
    PrivateXServer x;
    if (x.Display().empty()) std::fprintf(stderr, "bench_touch: Xvfb did not start; the window rows are left out\n");

    std::string error;
    auto image = felica::CardImage::load(kCard, error);
    if (!image) {
        std::fprintf(stderr, "bench_touch: %s\n", error.c_str());
        return 1;
    }
    pn532::Emulator emu(*image);
    if (!emu.start(error)) {
        std::fprintf(stderr, "bench_touch: %s\n", error.c_str());
        return 1;
    }
    const std::string nfc = emu.readerName();
    test::PcscRig rig("ACS ACR122U PICC Interface");
    const bool pcsc = rig.error().isEmpty();
    if (!pcsc) std::fprintf(stderr, "bench_touch: PC/SC left out: %s\n", rig.error().toUtf8().constData());
    const std::string pcscReader = "pcsc:" + rig.readerName().toStdString();
    const QString cliHome = root.filePath("cli");
    const QString nfcWindowHome = windowHome(root, "window-nfc");
    const QString pcscWindowHome = windowHome(root, "window-pcsc");

    Row cliNfc{"PN532 (libnfc), kuvora-cli read --wait", {}, {}};
    Row windowNfc{"PN532 (libnfc), window", {}, {}};
    Row cliPcsc{"PC/SC (vpcd, ACR122U), kuvora-cli", {}, {}};
    Row windowPcsc{"PC/SC (vpcd, ACR122U), window", {}, {}};
    auto cli = [&](const std::string& reader) {
        return [&, reader] {
            return new Child(KUVORA_CLI, {"read", "--wait", "--reader", reader}, homeEnv(cliHome, reader));
        };
    };
    auto window = [&](const QString& home, const std::string& reader) {
        return [&, home, reader] { return new Child(KUVORA_WINDOW, {}, windowEnv(home, reader, x.Display())); };
    };
    for (int i = 0; i < placements; ++i) {
        placeOnPn532(emu, cliNfc, random, cli(nfc), false);
        if (!x.Display().empty()) placeOnPn532(emu, windowNfc, random, window(nfcWindowHome, nfc), true);
        if (pcsc) {
            placeOnPcsc(rig, cliPcsc, random, cli(pcscReader), false);
            if (!x.Display().empty()) placeOnPcsc(rig, windowPcsc, random, window(pcscWindowHome, pcscReader), true);
            QCoreApplication::processEvents();
            rig.log();  // pcscd's log pipe is emptied so that it never blocks
        }
    }
    std::printf("Read on touch: the card placed at random moments, %d placements per row; poll interval %lld ms\n\n",
                placements, static_cast<long long>(felica::PlacementWatch::kPollInterval.count()));
    std::printf("%-38s %9s %9s %9s   %s\n", "placed -> JSON (CLI) / rows (window)", "median ms", "min ms", "max ms",
                "floor (median)");
    const std::string wire = cliNfc.floorText("on the wire at 115200 baud");
    printRow(cliNfc, wire);
    printRow(windowNfc, windowNfc.floorText("on the wire at 115200 baud"));
    printRow(cliPcsc, cliPcsc.floorText("until pcscd sees the card"));
    printRow(windowPcsc, windowPcsc.floorText("until pcscd sees the card"));

    std::printf("\nWaiting with no card, over %d s:\n", idleSeconds);
    emu.liftCard();
    {
        Child waiting(KUVORA_CLI, {"read", "--wait", "--reader", nfc}, homeEnv(cliHome, nfc));
        watching(emu, 3);
        printIdle("kuvora-cli read --wait, PN532", idleCost(waiting.pid(), idleSeconds));
    }
    if (!x.Display().empty()) {
        Child waiting(KUVORA_WINDOW, {}, windowEnv(nfcWindowHome, nfc, x.Display()));
        watching(emu, 3);
        std::this_thread::sleep_for(500ms);
        printIdle("window with read on touch, PN532", idleCost(waiting.pid(), idleSeconds));
    }
    if (pcsc) {
        Child waiting(KUVORA_CLI, {"read", "--wait", "--reader", pcscReader}, homeEnv(cliHome, pcscReader));
        std::this_thread::sleep_for(500ms);
        printIdle("kuvora-cli read --wait, PC/SC", idleCost(waiting.pid(), idleSeconds));
    }
    if (pcsc && !x.Display().empty()) {
        Child waiting(KUVORA_WINDOW, {}, windowEnv(pcscWindowHome, pcscReader, x.Display()));
        std::this_thread::sleep_for(1500ms);
        printIdle("window with read on touch, PC/SC", idleCost(waiting.pid(), idleSeconds));
    }
    std::printf("\nThe watch alone on the PN532 (its thread), by poll interval; a card waits half of one in the median:\n");
    initialize_library();
    for (const auto interval : {20ms, 30ms, 50ms, 100ms, 300ms}) {
        char what[64];
        std::snprintf(what, sizeof what, "every %3lld ms", static_cast<long long>(interval.count()));
        printIdle(what, watchAlone(emu, interval, idleSeconds));
    }
    dispose_library();
    return 0;
}
