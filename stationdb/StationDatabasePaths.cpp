#include "StationDatabasePaths.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <unistd.h>

namespace {
QString g_override;
}

QString ExecutableFolder() {
    // The program's own file does not move while it runs: looked up once.
    static const QString folder = [] {
        char buffer[4096];
        const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
        if (n <= 0) return QString();
        return QFileInfo(QString::fromLocal8Bit(buffer, static_cast<int>(n))).absolutePath();
    }();
    return folder;
}

QString StationCodeDatabasePath() {
    if (!g_override.isEmpty()) return g_override;
    const QString folder = ExecutableFolder();
    if (folder.isEmpty()) return QStringLiteral("StationCode.db");
    const QString beside = folder + QStringLiteral("/StationCode.db");
    if (QFileInfo::exists(beside)) return beside;
    const QString installed = QDir::cleanPath(folder + QStringLiteral("/../share/kuvora/StationCode.db"));
    if (QFileInfo::exists(installed)) return installed;
    return beside;
}

void SetStationCodeDatabasePath(const QString& path) { g_override = path; }

QString UserStationCodeDatabasePath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Mirokaze/StationCodeUser.db");
}
