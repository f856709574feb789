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

#include <unistd.h>

const DrawnFormats* Drawing() { return nullptr; }

QString FullProgramPath() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/kuvora-cli-full");
}

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
                 "install it beside kuvora-cli\n",
                 what.toUtf8().constData(), file.constData(), std::strerror(error));
    return ExitMessage;
}
