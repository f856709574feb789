// CTarnel: the automation object, exported on D-Bus as "Kuvora.ITarnel". Its
// one method, ReadCardIDm, answers the IDm of the card on the reader.
//
// Every bus client that calls it is tracked until it leaves the bus; while
// any client is there the object keeps the FeliCa library initialised (one
// count of its own, so the window program's count is never touched).
// Calls run on the thread that owns the object (the user-interface thread);
// a call that arrives while the reader is in use waits for it.
#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QObject>
#include <QSet>
#include <QTimer>

#include <vector>

class CTarnel : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "Kuvora.ITarnel")
public:
    explicit CTarnel(const QDBusConnection& bus, QObject* parent = nullptr);
    ~CTarnel() override;

    int ClientCount() const { return static_cast<int>(m_Clients.size()); }

    // Open, poll FF FF with time slot 0, close: the IDm as 16 upper-case hex
    // digits, or "" when no reader opened or no card answered. The reader is
    // closed in every case. The library must be initialised.
    static QString ReadIdmFromReader();

public slots:
    // "" when no IDm could be read; never an error reply.
    Q_SCRIPTABLE QString ReadCardIDm();

signals:
    void ClientArrived();
    void LastClientGone();

private:
    void Watch(const QString& client);
    void OnClientGone(const QString& client);
    void DropVanishedClients();
    void ServePending();
    static bool ReaderBusy();

    QDBusConnection m_Bus;
    QDBusServiceWatcher m_Watcher;
    QSet<QString> m_Clients;
    bool m_bLibraryHeld = false;
    std::vector<QDBusMessage> m_Pending;
    QTimer m_PendingTimer;
    QTimer m_SweepTimer;
};
