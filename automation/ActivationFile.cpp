#include "ActivationFile.h"

#include "TarnelNames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>

namespace automation {

namespace {

// The Exec line is split like a shell command line: a path of plain
// characters stands as it is, anything else goes in double quotes (the file's
// own escapes and the shell's would both apply to a backslash or a double
// quote, so paths with those are refused).
QString QuoteForExec(const QString& path) {
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_./+-]+$"));
    if (plain.match(path).hasMatch()) return path;
    return QLatin1Char('"') + path + QLatin1Char('"');
}

}  // namespace

QString ActivationFilePath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/dbus-1/services/%1.service").arg(QString::fromLatin1(kServiceName));
}

QString ActivationFileText(const QString& program) {
    return QStringLiteral("[D-BUS Service]\nName=%1\nExec=%2 -Embedding\n")
        .arg(QString::fromLatin1(kServiceName), QuoteForExec(program));
}

bool WriteActivationFile(const QString& program, QString& error) {
    static const QRegularExpression unsafe(QStringLiteral("[\"\\\\\\x00-\\x1F]"));
    if (program.contains(unsafe) || !QFileInfo(program).isAbsolute()) {
        error = QStringLiteral("the program path %1 cannot go into an activation file").arg(program);
        return false;
    }
    const QString path = ActivationFilePath();
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        error = QStringLiteral("cannot create the folder %1").arg(QFileInfo(path).absolutePath());
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(ActivationFileText(program).toUtf8()) < 0 || !file.commit()) {
        error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

bool RemoveActivationFile(QString& error) {
    const QString path = ActivationFilePath();
    QFile file(path);
    if (!file.exists() || file.remove()) return true;
    error = QStringLiteral("cannot remove %1: %2").arg(path, file.errorString());
    return false;
}

}  // namespace automation
