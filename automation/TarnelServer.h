// TarnelServer: puts the automation object on a bus and owns its name.
//
// In the window program the object serves beside the window: the server asks
// for the name replacing an automation-only process that holds it, and waits
// in the bus's queue behind another window program. Started only to serve
// automation, the server lets a window program take the name over, and says
// it has finished when the name went to another process or when no client
// has been there for the grace time.
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <memory>

class CTarnel;

class TarnelServer : public QObject {
    Q_OBJECT
public:
    enum class Mode { Window, AutomationOnly };
    static constexpr std::chrono::milliseconds kDefaultGrace{2000};

    TarnelServer(const QDBusConnection& bus, Mode mode, QObject* parent = nullptr);
    ~TarnelServer() override;

    // Exports the object and asks for the name; false with the reason when
    // the bus refuses (for an automation-only server: another process holds
    // the name).
    bool Start(QString& error);
    CTarnel* Object() const { return m_pTarnel.get(); }
    void SetGrace(std::chrono::milliseconds grace) { m_GraceTimer.setInterval(grace); }

    // The session bus the programs use: the one the environment names, the
    // one that started this process, or the user's bus socket; an
    // unconnected one when there is none (never one started on the fly).
    static QDBusConnection SessionBus();

signals:
    // Automation only: nothing is left to serve; the process may end.
    void Finished();

private slots:
    void OnNameLost(const QString& name);

private:
    QDBusConnection m_Bus;
    Mode m_Mode;
    bool m_bStarted = false;
    std::unique_ptr<CTarnel> m_pTarnel;
    QTimer m_GraceTimer;
};
