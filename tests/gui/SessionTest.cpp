// The window program as a desktop session starts and ends it: in a
// Wayland-only session under a headless weston, on X where the Wayland
// plugin is missing, and without any display; SIGTERM ends it as a close
// from its window does, settings saved.
#include "DbConnection.h"
#include "TestSupport.h"
#include "WindowPlatform.h"

#include <QDir>
#include <QFile>
#include <QLibraryInfo>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QThread>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <signal.h>

namespace {

using Clock = std::chrono::steady_clock;

// A display server of the test's own, stopped by its process id.
class DisplayServer {
public:
    // weston's headless backend, its socket in `runtimeDir` (mode 0700).
    static std::unique_ptr<DisplayServer> Weston(const QString& runtimeDir) {
        auto server = std::unique_ptr<DisplayServer>(new DisplayServer);
        const QString version = test::runProgram("weston", {"--version"}).out.section(' ', 1).section('.', 0, 0);
        // weston 10 names its backends by their module, later ones by name.
        const QString backend = version.toInt() >= 12 ? "headless" : "headless-backend.so";
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        env.insert("XDG_RUNTIME_DIR", runtimeDir);
        server->m_Process.setProcessEnvironment(env);
        server->m_Process.setStandardOutputFile(QProcess::nullDevice());
        server->m_Process.setStandardErrorFile(runtimeDir + "/weston.log");
        server->m_Process.start("weston", {"--backend=" + backend, "--socket=kuvora-test", "--idle-time=0"});
        for (int i = 0; i < 200 && !QFile::exists(runtimeDir + "/kuvora-test"); ++i) QThread::msleep(50);
        if (QFile::exists(runtimeDir + "/kuvora-test")) server->m_Name = "kuvora-test";
        return server;
    }
    // Xvfb on a display number it picks and says once it takes connections.
    static std::unique_ptr<DisplayServer> Xvfb() {
        auto server = std::unique_ptr<DisplayServer>(new DisplayServer);
        server->m_Process.start("Xvfb", {"-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"});
        if (server->m_Process.waitForReadyRead(20000))
            server->m_Name = ":" + QString::fromLatin1(server->m_Process.readLine()).trimmed();
        return server;
    }
    ~DisplayServer() {
        m_Process.terminate();
        if (!m_Process.waitForFinished(5000)) m_Process.kill();
        m_Process.waitForFinished(5000);
    }
    // WAYLAND_DISPLAY or DISPLAY; empty when the server did not start.
    const QString& Name() const { return m_Name; }

private:
    DisplayServer() = default;
    QProcess m_Process;
    QString m_Name;
};

// The window program as it is where qt6-wayland is not installed: a copy of
// it in `folder` whose qt.conf points Qt at the system's plugins less the
// Wayland ones (the other paths as they are). Returns the copy.
QString programWithoutWaylandPlugin(const QString& folder) {
    const QString system = QLibraryInfo::path(QLibraryInfo::PluginsPath);
    const QString plugins = folder + "/plugins";
    QDir().mkpath(plugins + "/platforms");
    for (const QString& kind : QDir(system).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        if (kind != "platforms" && !kind.startsWith("wayland")) QFile::link(system + "/" + kind, plugins + "/" + kind);
    for (const QString& plugin : QDir(system + "/platforms").entryList(QDir::Files))
        if (!plugin.contains("wayland")) QFile::link(system + "/platforms/" + plugin, plugins + "/platforms/" + plugin);
    QFile conf(folder + "/bin/qt.conf");
    QDir().mkpath(folder + "/bin");
    if (!conf.open(QIODevice::WriteOnly)) return {};
    conf.write(QString("[Paths]\nPrefix=%1\nLibraries=%2\nData=%3\nTranslations=%4\nPlugins=%5\n")
                   .arg(QLibraryInfo::path(QLibraryInfo::PrefixPath), QLibraryInfo::path(QLibraryInfo::LibrariesPath),
                        QLibraryInfo::path(QLibraryInfo::DataPath),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath), plugins)
                   .toUtf8());
    conf.close();
    const QString program = folder + "/bin/kuvora";
    QFile::copy(test::binaryPath("bin/kuvora"), program);
    QFile::link(test::binaryPath("bin/StationCode.db"), folder + "/bin/StationCode.db");
    return program;
}

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

struct Session {
    const char* name;
    bool weston;              // a Wayland compositor, WAYLAND_DISPLAY set
    bool xServer;             // an X server (Xwayland's part), DISPLAY set
    bool waylandPlugin;       // Qt's Wayland plugin installed
    const char* forced;       // QT_QPA_PLATFORM as the user set it
    bool sampleCard;          // else a missing card image: a message box at start
    const char* windowPlugin;  // what the window runs on; null: no window
};

}  // namespace

TEST(WindowPlatform, TheSessionsDisplaysAreTriedWaylandFirstAndOffscreenOnlyToSayThereIsNone) {
    const struct {
        const char* requested;
        bool wayland, x;
        const char* list;
        bool lastResort;
    } rows[] = {
        {"", true, false, "wayland;offscreen", true},
        {"", true, true, "wayland;xcb;offscreen", true},
        {"", false, true, "xcb;offscreen", true},
        {"", false, false, "offscreen", true},
        {"wayland", false, true, "wayland;xcb;offscreen", true},
        {"xcb", true, true, "xcb;wayland;offscreen", true},
        {"wayland-egl", true, false, "wayland-egl;offscreen", true},
        {" XCB:foo ;wayland", false, false, "XCB:foo;wayland;offscreen", true},
        {"offscreen", true, true, "offscreen", false},
        {"vnc:size=800x600", true, true, "vnc:size=800x600", false},
        {"wayland;eglfs", true, true, "wayland;eglfs", false},
    };
    for (const auto& row : rows) {
        const WindowPlatforms choice = ChooseWindowPlatforms(row.requested, row.wayland, row.x);
        EXPECT_EQ(choice.list, QByteArray(row.list)) << row.requested;
        EXPECT_EQ(choice.offscreenLastResort, row.lastResort) << row.requested;
    }
}

TEST(Session, TheWindowRunsOnTheSessionsDisplayAndSigtermClosesItAsTheUserWould) {
    for (const char* tool : {"weston", "Xvfb"})
        if (QStandardPaths::findExecutable(tool).isEmpty()) GTEST_SKIP() << tool << " is needed";
    if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::PluginsPath) + "/platforms/libqwayland-generic.so"))
        GTEST_SKIP() << "Qt's Wayland plugin (qt6-wayland) is needed";
    const Session sessions[] = {
        {"Wayland only", true, false, true, "", true, "qwayland"},
        {"Wayland without its plugin, X beside", true, true, false, "", true, "qxcb"},
        {"Wayland forced without its plugin, a message at start", true, true, false, "wayland", false, "qxcb"},
        {"no display at all", false, false, true, "", true, nullptr},
    };
    for (const Session& s : sessions) {
        SCOPED_TRACE(s.name);
        test::IsolatedHome home;
        const QString runtime = home.file("run");
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "XDG_SESSION_TYPE", "QT_QPA_PLATFORM",
                                 "DBUS_SESSION_BUS_ADDRESS", "KUVORA_READER"})
            env.remove(name);
        env.insert("XDG_CONFIG_HOME", home.configHome());
        env.insert("XDG_DATA_HOME", home.dataHome());
        env.insert("HOME", home.path());
        env.insert("XDG_RUNTIME_DIR", runtime);
        std::unique_ptr<DisplayServer> weston, x;
        if (s.weston) {
            weston = DisplayServer::Weston(runtime);
            ASSERT_FALSE(weston->Name().isEmpty()) << "weston did not start";
            env.insert("WAYLAND_DISPLAY", weston->Name());
        }
        if (s.xServer) {
            x = DisplayServer::Xvfb();
            ASSERT_FALSE(x->Name().isEmpty()) << "Xvfb did not start";
            env.insert("DISPLAY", x->Name());
        }
        const QString program =
            s.waylandPlugin ? test::binaryPath("bin/kuvora") : programWithoutWaylandPlugin(home.file("install"));
        if (*s.forced) env.insert("QT_QPA_PLATFORM", s.forced);
        const QString card = s.sampleCard ? test::sourcePath("data/cards/suica-sample.json") : home.file("none.json");

        QProcess window;
        window.setProcessEnvironment(env);
        window.start(program, {"--reader", "image:" + card, card});
        ASSERT_TRUE(window.waitForStarted(10000));
        if (!s.windowPlugin) {
            ASSERT_TRUE(window.waitForFinished(30000));
            EXPECT_EQ(window.exitStatus(), QProcess::NormalExit);
            EXPECT_EQ(window.exitCode(), 1);
            EXPECT_TRUE(window.readAllStandardError().contains("kuvora: no display to open the window on"));
            continue;
        }
        const QString historyDb = home.dataHome() + "/Mirokaze/History.db";
        const Clock::time_point limit = Clock::now() + std::chrono::seconds(60);
        while (Clock::now() < limit && window.state() == QProcess::Running &&
               !(mapsLibrary(window.processId(), s.windowPlugin) && (!s.sampleCard || storedRows(historyDb) == 20)))
            QThread::msleep(50);
        ASSERT_EQ(window.state(), QProcess::Running) << window.readAllStandardError().toStdString();
        EXPECT_TRUE(mapsLibrary(window.processId(), s.windowPlugin));
        if (s.sampleCard) EXPECT_EQ(storedRows(historyDb), 20);
        else QThread::msleep(1000);  // the message box is up

        ::kill(static_cast<pid_t>(window.processId()), SIGTERM);
        // Prompt on a quiet machine (bench_window); here only: it ends.
        ASSERT_TRUE(window.waitForFinished(10000)) << "still running 10 s after SIGTERM";
        EXPECT_EQ(window.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(window.exitCode(), 0) << window.readAllStandardError().toStdString();
        QSettings saved(home.configHome() + "/Mirokaze/Kuvora.conf", QSettings::IniFormat);
        EXPECT_EQ(saved.value("Settings/WindowWidth").toInt(), 940);
        EXPECT_GT(saved.value("Settings/ColWith0").toInt(), 0);
    }
}
