#include "AutomationStartup.h"

#include "ActivationFile.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>

#include <cstdio>

namespace {

void Complain(const QString& text) { std::fprintf(stderr, "kuvora: %s\n", text.toUtf8().constData()); }

// A running session bus rereads its activation files at once (it would also
// notice the change by itself, a little later).
void ReloadBusConfig() {
    QDBusConnection bus = TarnelServer::SessionBus();
    if (bus.isConnected())
        bus.interface()->call(QDBus::Block, QStringLiteral("ReloadConfig"));
}

}  // namespace

int RunRegistrationSwitch(CommandLine::Launch launch) {
    QString error;
    const bool ok = launch == CommandLine::Launch::Register
                        ? automation::WriteActivationFile(QCoreApplication::applicationFilePath(), error)
                        : automation::RemoveActivationFile(error);
    if (!ok) {
        Complain(error);
        return 1;
    }
    ReloadBusConfig();
    return 0;
}

std::unique_ptr<TarnelServer> StartTarnelServer(TarnelServer::Mode mode) {
    auto server = std::make_unique<TarnelServer>(TarnelServer::SessionBus(), mode);
    QString error;
    if (server->Start(error)) return server;
    Complain(QStringLiteral("the automation object is not served: %1").arg(error));
    return nullptr;
}
