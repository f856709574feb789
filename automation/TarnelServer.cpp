#include "TarnelServer.h"

#include "CTarnel.h"
#include "TarnelNames.h"

#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QFileInfo>

using namespace automation;

namespace {

// RequestName flags and answers of the bus.
constexpr uint kAllowReplacement = 0x1;
constexpr uint kReplaceExisting = 0x2;
constexpr uint kDoNotQueue = 0x4;
constexpr uint kPrimaryOwner = 1;
constexpr uint kInQueue = 2;
constexpr uint kAlreadyOwner = 4;

}  // namespace

TarnelServer::TarnelServer(const QDBusConnection& bus, Mode mode, QObject* parent)
    : QObject(parent), m_Bus(bus), m_Mode(mode), m_pTarnel(std::make_unique<CTarnel>(bus)) {
    m_GraceTimer.setSingleShot(true);
    m_GraceTimer.setInterval(kDefaultGrace);
    if (m_Mode == Mode::AutomationOnly) {
        connect(&m_GraceTimer, &QTimer::timeout, this, [this] {
            if (m_pTarnel->ClientCount() == 0) emit Finished();
        });
        connect(m_pTarnel.get(), &CTarnel::ClientArrived, &m_GraceTimer, &QTimer::stop);
        connect(m_pTarnel.get(), &CTarnel::LastClientGone, &m_GraceTimer, qOverload<>(&QTimer::start));
    }
}

TarnelServer::~TarnelServer() {
    if (m_bStarted && m_Bus.isConnected()) {
        m_Bus.interface()->unregisterService(QString::fromLatin1(kServiceName));
        m_Bus.unregisterObject(QString::fromLatin1(kObjectPath));
    }
}

bool TarnelServer::Start(QString& error) {
    if (!m_Bus.isConnected()) {
        error = QStringLiteral("no D-Bus session bus");
        return false;
    }
    if (!m_Bus.registerObject(QString::fromLatin1(kObjectPath), m_pTarnel.get(),
                              QDBusConnection::ExportScriptableSlots)) {
        error = QStringLiteral("the object path %1 is taken").arg(QString::fromLatin1(kObjectPath));
        return false;
    }
    m_Bus.connect(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                  QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameLost"), this,
                  SLOT(OnNameLost(QString)));
    const uint flags = m_Mode == Mode::Window ? kReplaceExisting : kAllowReplacement | kDoNotQueue;
    const QDBusReply<uint> reply =
        m_Bus.interface()->call(QStringLiteral("RequestName"), QString::fromLatin1(kServiceName), flags);
    const bool owned = reply.isValid() && (reply.value() == kPrimaryOwner || reply.value() == kAlreadyOwner);
    const bool queued = reply.isValid() && reply.value() == kInQueue;
    if (!owned && !(queued && m_Mode == Mode::Window)) {
        m_Bus.unregisterObject(QString::fromLatin1(kObjectPath));
        error = reply.isValid() ? QStringLiteral("%1 is served by another process").arg(QString::fromLatin1(kServiceName))
                                : reply.error().message();
        return false;
    }
    m_bStarted = true;
    if (m_Mode == Mode::AutomationOnly) m_GraceTimer.start();
    return true;
}

void TarnelServer::OnNameLost(const QString& name) {
    // A window program took the name over; it serves the clients from now on.
    if (m_Mode == Mode::AutomationOnly && name == QLatin1String(kServiceName)) emit Finished();
}

QDBusConnection TarnelServer::SessionBus() {
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) return QDBusConnection::sessionBus();
    if (qEnvironmentVariable("DBUS_STARTER_BUS_TYPE") == QLatin1String("session") &&
        !qEnvironmentVariableIsEmpty("DBUS_STARTER_ADDRESS"))
        return QDBusConnection::connectToBus(QDBusConnection::ActivationBus, QStringLiteral("kuvora_starter_bus"));
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/bus")))
        return QDBusConnection::connectToBus(QStringLiteral("unix:path=") + runtime + QStringLiteral("/bus"),
                                             QStringLiteral("kuvora_user_bus"));
    return QDBusConnection(QStringLiteral("kuvora_no_bus"));  // not connected
}
