#include "CTarnel.h"

#include "ReaderUse.h"
#include "felica.h"
#include "read_idm.h"
#include "library_control.h"

#include <QDBusConnectionInterface>

namespace {

int g_nReaderUses = 0;
int g_nPausedUses = 0;  // the uses a message box has paused

}  // namespace

namespace automation {

ReaderUse::ReaderUse() { ++g_nReaderUses; }
ReaderUse::~ReaderUse() { --g_nReaderUses; }
bool ReaderUse::Active() { return g_nReaderUses > g_nPausedUses; }

ReaderPause::ReaderPause() : m_nSavedPaused(g_nPausedUses) { g_nPausedUses = g_nReaderUses; }
ReaderPause::~ReaderPause() { g_nPausedUses = m_nSavedPaused; }

}  // namespace automation

CTarnel::CTarnel(const QDBusConnection& bus, QObject* parent)
    : QObject(parent), m_Bus(bus) {
    m_Watcher.setConnection(bus);
    m_Watcher.setWatchMode(QDBusServiceWatcher::WatchForUnregistration);
    connect(&m_Watcher, &QDBusServiceWatcher::serviceUnregistered, this, &CTarnel::OnClientGone);
    m_PendingTimer.setInterval(50);
    connect(&m_PendingTimer, &QTimer::timeout, this, &CTarnel::ServePending);
    // A client whose departure the watcher missed is noticed here.
    m_SweepTimer.setInterval(5000);
    connect(&m_SweepTimer, &QTimer::timeout, this, &CTarnel::DropVanishedClients);
}

CTarnel::~CTarnel() {
    if (m_bLibraryHeld) dispose_library();
}

QString CTarnel::ReadIdmFromReader() {
    felica::Idm idm{};
    if (felica::readCardIdm(idm) != felica::IdmRead::Ok) return QString();
    return QString::fromStdString(felica::toHex(idm));
}

bool CTarnel::ReaderBusy() { return automation::ReaderUse::Active() || felica::readerOpen(); }

QString CTarnel::ReadCardIDm() {
    if (!calledFromDBus()) return ReadIdmFromReader();
    Watch(message().service());
    if (ReaderBusy() || !m_Pending.empty()) {
        // Answered once the reader is free, in the order the calls came.
        setDelayedReply(true);
        m_Pending.push_back(message());
        m_PendingTimer.start();
        return QString();
    }
    return ReadIdmFromReader();
}

void CTarnel::ServePending() {
    if (ReaderBusy()) return;
    m_PendingTimer.stop();
    std::vector<QDBusMessage> calls;
    calls.swap(m_Pending);
    for (const QDBusMessage& call : calls)
        if (m_Clients.contains(call.service())) m_Bus.send(call.createReply(ReadIdmFromReader()));
}

void CTarnel::Watch(const QString& client) {
    if (client.isEmpty() || m_Clients.contains(client)) return;
    m_Clients.insert(client);
    m_Watcher.addWatchedService(client);
    if (!m_bLibraryHeld) {
        initialize_library();
        m_bLibraryHeld = true;
    }
    m_SweepTimer.start();
    emit ClientArrived();
}

void CTarnel::OnClientGone(const QString& client) {
    if (!m_Clients.remove(client)) return;
    m_Watcher.removeWatchedService(client);
    if (!m_Clients.isEmpty()) return;
    m_SweepTimer.stop();
    if (m_bLibraryHeld) {
        m_bLibraryHeld = false;
        dispose_library();
    }
    emit LastClientGone();
}

void CTarnel::DropVanishedClients() {
    QDBusConnectionInterface* bus = m_Bus.isConnected() ? m_Bus.interface() : nullptr;
    const QSet<QString> clients = m_Clients;
    for (const QString& client : clients)
        if (!bus || !bus->isServiceRegistered(client).value()) OnClientGone(client);
}
