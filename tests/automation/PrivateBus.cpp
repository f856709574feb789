#include "PrivateBus.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusPendingCall>
#include <QDBusReply>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QThread>

#include <csignal>
#include <sys/types.h>

namespace test {

PrivateBus::PrivateBus(const QString& serviceDir, const QProcessEnvironment& env) {
    QDir().mkpath(serviceDir);
    const QString config = dir_.filePath("session.conf");
    QFile file(config);
    file.open(QIODevice::WriteOnly);
    file.write(QString(R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir=%1</listen>
  <auth>EXTERNAL</auth>
  <servicedir>%2</servicedir>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)").arg(dir_.path(), serviceDir).toUtf8());
    file.close();
    QProcess daemon;
    daemon.setProcessEnvironment(env);
    daemon.start("dbus-daemon", {"--config-file=" + config, "--fork", "--print-address=1", "--print-pid=1"});
    if (!daemon.waitForFinished(10000) || daemon.exitCode() != 0) {
        error_ = "dbus-daemon did not start: " + QString::fromUtf8(daemon.readAllStandardError());
        return;
    }
    const QStringList lines = QString::fromUtf8(daemon.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    if (lines.size() < 2) {
        error_ = "dbus-daemon printed no address and pid";
        return;
    }
    address_ = lines[0].trimmed();
    pid_ = lines[1].trimmed().toLongLong();
}

PrivateBus::~PrivateBus() {
    for (const QString& name : connections_) QDBusConnection::disconnectFromBus(name);
    if (pid_ > 0) {
        ::kill(static_cast<pid_t>(pid_), SIGTERM);
        waitUntil([this] { return !processAlive(pid_); }, 5000);
    }
}

QDBusConnection PrivateBus::connect(const QString& name) {
    connections_ << name;
    return QDBusConnection::connectToBus(address_, name);
}

QProcessEnvironment PrivateBus::clientEnvironment(QProcessEnvironment base) const {
    base.insert("DBUS_SESSION_BUS_ADDRESS", address_);
    base.remove("DBUS_STARTER_ADDRESS");
    base.remove("DBUS_STARTER_BUS_TYPE");
    return base;
}

qint64 PrivateBus::ownerPid(const QString& name) {
    QDBusConnection bus = connect("owner-query");
    const QDBusReply<uint> pid = bus.interface()->servicePid(name);
    return pid.isValid() ? pid.value() : 0;
}

bool waitUntil(const std::function<bool()>& done, int ms) {
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

QDBusMessage callReadCardIdm(QDBusConnection& client, int ms) {
    QDBusPendingCall call = client.asyncCall(
        QDBusMessage::createMethodCall("Kuvora.Tarnel", "/Kuvora/Tarnel", "Kuvora.ITarnel", "ReadCardIDm"), ms);
    waitUntil([&] { return call.isFinished(); }, ms + 1000);
    return call.reply();
}

bool processAlive(qint64 pid) {
    // A process that has ended but is not reaped yet counts as gone.
    QFile stat(QString("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) return false;
    const QByteArray text = stat.readAll();
    const int close = text.lastIndexOf(')');
    return close > 0 && text.size() > close + 2 && text[close + 2] != 'Z';
}

}  // namespace test
