// The window program as an automation server, on a private bus: registered
// and started by the bus, beside its window, taking over from an
// automation-only process, and as installed.
#include "ActivationFile.h"
#include "PrivateBus.h"
#include "TestSupport.h"

#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QDir>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

const char* const kSampleIdm = "01010410C8192A3B";

QString sampleReader() { return "image:" + test::sourcePath("data/cards/suica-sample.json"); }
QString program() { return test::binaryPath("bin/kuvora"); }

// The isolated home's environment, choosing the sample card as the reader.
QProcessEnvironment homeEnvironment(const test::IsolatedHome& home) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", home.configHome());
    env.insert("XDG_DATA_HOME", home.dataHome());
    env.insert("HOME", home.path());
    env.insert("KUVORA_READER", sampleReader());
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.remove("DBUS_SESSION_BUS_ADDRESS");
    return env;
}

test::ProcessResult gdbusCall(const test::PrivateBus& bus, const QProcessEnvironment& env) {
    return test::runProgram("gdbus",
                            {"call", "--session", "--dest", "Kuvora.Tarnel", "--object-path", "/Kuvora/Tarnel",
                             "--method", "Kuvora.ITarnel.ReadCardIDm"},
                            bus.clientEnvironment(env), 30000);
}

std::string answerOf(const char* idm) { return QString("('%1',)").arg(idm).toStdString(); }

QStringList activatable(QDBusConnection& bus) {
    const QDBusReply<QStringList> names = bus.interface()->call("ListActivatableNames");
    return names.value();
}

}  // namespace

TEST(ServerProcess, RegisterActivateByACallAndUnregister) {
    test::IsolatedHome home;
    const QProcessEnvironment env = homeEnvironment(home);
    test::PrivateBus bus(home.dataHome() + "/dbus-1/services", env);
    ASSERT_TRUE(bus.running()) << bus.error().toStdString();
    QDBusConnection watcher = bus.connect("watcher");

    auto reg = test::runProgram(program(), {"-regserver"}, bus.clientEnvironment(env));
    ASSERT_EQ(reg.exitCode, 0) << reg.err.toStdString();
    QFile file(home.dataHome() + "/dbus-1/services/Kuvora.Tarnel.service");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(text.contains("\nExec=" + QFileInfo(program()).canonicalFilePath() + " -Embedding\n")) << text.toStdString();
    EXPECT_TRUE(activatable(watcher).contains("Kuvora.Tarnel"));

    // The bus starts the program for the call; it ends once the client is gone.
    auto call = gdbusCall(bus, env);
    EXPECT_EQ(call.exitCode, 0) << call.err.toStdString();
    EXPECT_EQ(call.out.trimmed().toStdString(), answerOf(kSampleIdm));
    const qint64 server = bus.ownerPid("Kuvora.Tarnel");  // still there, within its grace
    ASSERT_GT(server, 0);
    QFile cmdline(QString("/proc/%1/cmdline").arg(server));
    if (cmdline.open(QIODevice::ReadOnly)) {
        EXPECT_TRUE(cmdline.readAll().contains("-Embedding"));
    }
    EXPECT_TRUE(test::waitUntil([&] { return !test::processAlive(server); }, 8000));

    auto unreg = test::runProgram(program(), {"/UnRegister"}, bus.clientEnvironment(env));
    ASSERT_EQ(unreg.exitCode, 0) << unreg.err.toStdString();
    EXPECT_FALSE(file.exists());
    EXPECT_FALSE(activatable(watcher).contains("Kuvora.Tarnel"));
    call = gdbusCall(bus, env);
    EXPECT_NE(call.exitCode, 0);
    EXPECT_TRUE(call.err.contains("ServiceUnknown")) << call.err.toStdString();
    // Unregistering again is no failure; a data folder that cannot be made is one.
    EXPECT_EQ(test::runProgram(program(), {"-Unregserver"}, bus.clientEnvironment(env)).exitCode, 0);
    QProcessEnvironment blocked = bus.clientEnvironment(env);
    blocked.insert("XDG_DATA_HOME", test::sourcePath("README.md"));
    reg = test::runProgram(program(), {"/REGSERVER"}, blocked);
    EXPECT_EQ(reg.exitCode, 1);
    EXPECT_TRUE(reg.err.contains("cannot create the folder")) << reg.err.toStdString();
}

TEST(ServerProcess, ActivationFileQuotesAProgramPathWithBlanksAndQuotes) {
    test::IsolatedHome home;
    QProcessEnvironment env = homeEnvironment(home);
    // The bus starts a script whose path needs quoting; it runs the program.
    const QString folder = home.file("my programs/it's here");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString script = folder + "/kuvora server";
    QFile file(script);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QString("#!/bin/sh\nexec '%1' \"$@\"\n").arg(program()).toUtf8());
    file.close();
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QString error;
    ASSERT_TRUE(automation::WriteActivationFile(script, error)) << error.toStdString();
    test::PrivateBus bus(home.dataHome() + "/dbus-1/services", env);
    ASSERT_TRUE(bus.running());
    auto call = gdbusCall(bus, env);
    EXPECT_EQ(call.out.trimmed().toStdString(), answerOf(kSampleIdm)) << call.err.toStdString();
    EXPECT_FALSE(automation::WriteActivationFile("kuvora", error));  // not an absolute path
    EXPECT_FALSE(automation::WriteActivationFile(folder + "/say \"hi\"", error));
}

TEST(ServerProcess, AWindowProgramServesStaysOpenAndTakesOverFromAnAutomationOnlyProcess) {
    test::IsolatedHome home;
    const QProcessEnvironment env = homeEnvironment(home);
    test::PrivateBus bus(home.file("services"), env);
    ASSERT_TRUE(bus.running());
    QDBusConnection watcher = bus.connect("watcher");

    QProcess automationOnly;
    automationOnly.setProcessEnvironment(bus.clientEnvironment(env));
    automationOnly.start(program(), {"-Automation"});
    ASSERT_TRUE(automationOnly.waitForStarted());
    ASSERT_TRUE(test::waitUntil([&] { return bus.ownerPid("Kuvora.Tarnel") == automationOnly.processId(); }, 10000));

    QProcess window;
    window.setProcessEnvironment(bus.clientEnvironment(env));
    window.start(program(), {"--reader", sampleReader()});
    ASSERT_TRUE(window.waitForStarted());
    EXPECT_TRUE(test::waitUntil([&] { return bus.ownerPid("Kuvora.Tarnel") == window.processId(); }, 15000));
    EXPECT_TRUE(automationOnly.waitForFinished(5000));
    EXPECT_EQ(automationOnly.exitCode(), 0);

    for (int i = 0; i < 3; ++i) {
        auto call = gdbusCall(bus, env);
        EXPECT_EQ(call.out.trimmed().toStdString(), answerOf(kSampleIdm)) << call.err.toStdString();
    }
    // Past the grace an automation-only process would have: the window stays.
    EXPECT_FALSE(window.waitForFinished(3000));
    EXPECT_EQ(window.state(), QProcess::Running);
    EXPECT_EQ(bus.ownerPid("Kuvora.Tarnel"), window.processId());
    window.kill();
    window.waitForFinished();
}

TEST(ServerProcess, TheInstalledActivationFileStartsTheInstalledProgram) {
    test::IsolatedHome home;
    const QString prefix = home.file("prefix");
    for (const char* component : {"Unspecified", "automation"}) {
        auto install = test::runProgram(KUVORA_CMAKE_COMMAND,
                                        {"--install", KUVORA_BINARY_DIR, "--prefix", prefix, "--component", component});
        ASSERT_EQ(install.exitCode, 0) << install.err.toStdString();
    }
    EXPECT_TRUE(QFile::exists(prefix + "/share/dbus-1/interfaces/Kuvora.ITarnel.xml"));
    QFile file(prefix + "/share/dbus-1/services/Kuvora.Tarnel.service");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(file.readAll()),
              QString("[D-BUS Service]\nName=Kuvora.Tarnel\nExec=%1/bin/kuvora -Embedding\n").arg(prefix));

    // The bus reads the file and starts the installed program from it.
    const QProcessEnvironment env = homeEnvironment(home);
    test::PrivateBus bus(prefix + "/share/dbus-1/services", env);
    ASSERT_TRUE(bus.running());
    QDBusConnection watcher = bus.connect("watcher");
    EXPECT_TRUE(activatable(watcher).contains("Kuvora.Tarnel"));
    auto call = gdbusCall(bus, env);
    EXPECT_EQ(call.out.trimmed().toStdString(), answerOf(kSampleIdm)) << call.err.toStdString();
}
