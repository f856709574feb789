// kuvora-cli runs on Qt Core alone. What draws (read --format pdf, svg, png)
// and what speaks (speak) is kuvora-cli-full, installed beside it: the same
// commands with Qt GUI and the voice linked in. kuvora-cli hands such a
// command over to it whole, in its own place, with the same arguments.
#include "CliCommands.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <climits>

#include <unistd.h>

namespace {

// The folder this program was started from, also when its file has been
// removed or replaced since: the kernel then adds " (deleted)" to the link,
// and Qt gives no folder at all.
QString programFolder() {
    char link[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", link, sizeof link);
    if (n <= 0 || n >= static_cast<ssize_t>(sizeof link)) return QCoreApplication::applicationDirPath();
    QString path = QFile::decodeName(QByteArray(link, n));
    const QLatin1String deleted(" (deleted)");
    if (path.endsWith(deleted)) path.chop(deleted.size());
    return QFileInfo(path).absolutePath();
}

}  // namespace

const DrawnFormats* Drawing() { return nullptr; }

QString FullProgramPath() { return programFolder() + QStringLiteral("/kuvora-cli-full"); }

int RunFullProgram(char** argv, const QString& what) {
    const QString path = FullProgramPath();
    const QByteArray file = QFile::encodeName(path);
    std::fflush(stdout);
    std::fflush(stderr);
    int error = ENOENT;
    if (QFileInfo(path).isFile()) {
        ::execv(file.constData(), argv);
        error = errno;
    }
    std::fprintf(stderr, "kuvora-cli: %s needs kuvora-cli-full, which could not be run from %s (%s); "
                 "install it beside kuvora-cli in %s\n",
                 what.toUtf8().constData(), file.constData(), std::strerror(error),
                 QFile::encodeName(QFileInfo(path).path()).constData());
    return ExitMessage;
}
