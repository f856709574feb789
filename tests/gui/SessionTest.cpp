// The window program as a desktop session starts and ends it: in a
// Wayland-only session under a headless weston, on X where Wayland does not
// answer, and without any display; SIGTERM ends it as a close from its
// window does, settings saved.
#include "DbConnection.h"
#include "TestSupport.h"

#include <QFile>
#include <QLibraryInfo>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QThread>

#include <gtest/gtest.h>

#include <memory>
#include <signal.h>

namespace {

// A program of the test's own (a display server, the window), stopped by its
// process id.
struct Started {
    QProcess process;
    ~Started() {
        process.terminate();
        if (!process.waitForFinished(5000)) process.kill();
        process.waitForFinished(5000);
    }
};

bool mapsLibrary(qint64 pid, const char* name) {
    QFile maps(QString("/proc/%1/maps").arg(pid));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains(name);
}

int storedRows(const QString& historyDb) {
    CDbConnection db;
    CDbStatement count;
    if (!QFile::exists(historyDb) || DbFailed(db.Open(historyDb, CDbConnection::Mode::ReadOnly)) ||
        DbFailed(count.Prepare(db, "SELECT COUNT(*) FROM History")) || count.Step() != DB_OK)
        return 0;
    return static_cast<int>(count.Integer(0));
}

}  // namespace

TEST(Session, TheWindowRunsOnTheSessionsDisplayAndSigtermClosesItAsTheUserWould) {
    for (const char* tool : {"weston", "Xvfb"})
        if (QStandardPaths::findExecutable(tool).isEmpty()) GTEST_SKIP() << tool << " is needed";
    if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::PluginsPath) + "/platforms/libqwayland-generic.so"))
        GTEST_SKIP() << "Qt's Wayland plugin (qt6-wayland) is needed";
    // weston 10 names its backends by their module, later ones by name.
    const int weston = test::runProgram("weston", {"--version"}).out.section(' ', 1).section('.', 0, 0).toInt();
    const struct {
        const char* name;
        bool wayland, x;
        const char* waylandDisplay;  // WAYLAND_DISPLAY without a compositor
        const char* forced;        // QT_QPA_PLATFORM as the user set it
        bool sampleCard;           // else a missing card image: a message box at start
        const char* windowPlugin;  // what the window runs on; null: no window
    } sessions[] = {
        {"Wayland only", true, false, "", "", true, "qwayland"},
        {"Wayland forced, no compositor answers, a message at start", false, true, "gone", "wayland", false, "qxcb"},
        {"no display at all", false, false, "", "", true, nullptr},
    };
    for (const auto& s : sessions) {
        SCOPED_TRACE(s.name);
        test::IsolatedHome home;  // XDG_CONFIG_HOME, XDG_DATA_HOME, HOME; its folder (0700) the runtime one
        const QString runtime = home.path();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "XDG_SESSION_TYPE", "QT_QPA_PLATFORM",
                                 "DBUS_SESSION_BUS_ADDRESS", "KUVORA_READER"})
            env.remove(name);
        env.insert("XDG_RUNTIME_DIR", runtime);
        // In the sanitizer build: what the display libraries keep to the end is theirs.
        QFile suppressions(home.file("lsan.supp"));
        if (suppressions.open(QIODevice::WriteOnly)) suppressions.write("leak:libwayland-client.so\nleak:libdbus-1.so\n");
        suppressions.close();
        env.insert("LSAN_OPTIONS", "suppressions=" + suppressions.fileName());
        Started compositor, x, window;
        if (s.wayland) {
            compositor.process.setProcessEnvironment(env);
            compositor.process.setStandardErrorFile(runtime + "/weston.log");
            compositor.process.start("weston", {weston >= 12 ? "--backend=headless" : "--backend=headless-backend.so",
                                                "--socket=kuvora-test"});
            for (int i = 0; i < 200 && !QFile::exists(runtime + "/kuvora-test"); ++i) QThread::msleep(50);
            ASSERT_TRUE(QFile::exists(runtime + "/kuvora-test")) << "weston did not start";
            env.insert("WAYLAND_DISPLAY", "kuvora-test");
        }
        if (s.x) {
            x.process.start("Xvfb", {"-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"});
            ASSERT_TRUE(x.process.waitForReadyRead(20000)) << "Xvfb did not start";
            env.insert("DISPLAY", ":" + QString::fromLatin1(x.process.readLine()).trimmed());
        }
        if (*s.waylandDisplay) env.insert("WAYLAND_DISPLAY", s.waylandDisplay);
        if (*s.forced) env.insert("QT_QPA_PLATFORM", s.forced);
        const QString card = s.sampleCard ? test::sourcePath("data/cards/suica-sample.json") : home.file("none.json");
        window.process.setProcessEnvironment(env);
        window.process.start(test::binaryPath("bin/kuvora"), {"--reader", "image:" + card, card});
        ASSERT_TRUE(window.process.waitForStarted(10000));
        if (!s.windowPlugin) {
            ASSERT_TRUE(window.process.waitForFinished(30000));
            EXPECT_EQ(window.process.exitCode(), 1);
            EXPECT_TRUE(window.process.readAllStandardError().contains("kuvora: no display to open the window on"));
            continue;
        }
        // On its display, and the card read into History.db.
        const qint64 pid = window.process.processId();
        const QString historyDb = home.dataHome() + "/Mirokaze/History.db";
        for (int i = 0; i < 1200 && window.process.state() == QProcess::Running &&
                        (!mapsLibrary(pid, s.windowPlugin) || (s.sampleCard && storedRows(historyDb) < 20));
             ++i)
            QThread::msleep(50);
        ASSERT_TRUE(mapsLibrary(pid, s.windowPlugin)) << window.process.readAllStandardError().toStdString();
        if (s.sampleCard) EXPECT_EQ(storedRows(historyDb), 20);
        else QThread::msleep(1000);  // the message box is up

        ::kill(static_cast<pid_t>(pid), SIGTERM);
        // Prompt on a quiet machine (bench_window); here only: it ends.
        ASSERT_TRUE(window.process.waitForFinished(10000)) << "still running 10 s after SIGTERM";
        EXPECT_EQ(window.process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(window.process.exitCode(), 0) << window.process.readAllStandardError().toStdString();
        QSettings saved(home.configHome() + "/Mirokaze/Kuvora.conf", QSettings::IniFormat);
        EXPECT_EQ(saved.value("Settings/WindowWidth").toInt(), 940);
        EXPECT_GT(saved.value("Settings/ColWith0").toInt(), 0);
    }
}
