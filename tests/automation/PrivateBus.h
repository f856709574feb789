// A D-Bus session bus of the test's own: a dbus-daemon with its own
// configuration in a temporary folder, stopped by its process id. Programs
// it activates inherit the environment it was started with.
#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>

#include <functional>

namespace test {

class PrivateBus {
public:
    PrivateBus(const QString& serviceDir, const QProcessEnvironment& env);
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    bool running() const { return pid_ > 0; }
    QString error() const { return error_; }
    QString address() const { return address_; }
    // A connection of this process, under a name of its own.
    QDBusConnection connect(const QString& name);
    // `base` with this bus as the session bus.
    QProcessEnvironment clientEnvironment(QProcessEnvironment base) const;
    // The process id of the owner of `name`, 0 when nobody owns it.
    qint64 ownerPid(const QString& name);

private:
    QTemporaryDir dir_;
    QString address_, error_;
    qint64 pid_ = 0;
    QStringList connections_;
};

// Runs the event loop until `done` answers true or `ms` pass.
bool waitUntil(const std::function<bool()>& done, int ms);

// Calls Kuvora.ITarnel.ReadCardIDm from `client` and waits for the answer.
QDBusMessage callReadCardIdm(QDBusConnection& client, int ms = 10000);

bool processAlive(qint64 pid);

}  // namespace test
