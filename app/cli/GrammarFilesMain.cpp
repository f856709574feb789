// kuvora-cli-grammar: writes the files made from kuvora-cli's grammar into
// the source tree: the bash completion, and the synopsis of the manual page.
//   kuvora-cli-grammar COMPLETION_FILE MAN_PAGE
#include "CliGrammarFiles.h"
#include "file_io.h"

#include <QFile>

#include <cstdio>

namespace {

bool replace(const char* path, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::string error;
    if (platform::replaceFile(path, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), error))
        return true;
    std::fprintf(stderr, "kuvora-cli-grammar: %s\n", error.c_str());
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: kuvora-cli-grammar COMPLETION_FILE MAN_PAGE\n");
        return 2;
    }
    QFile man(QString::fromLocal8Bit(argv[2]));
    if (!man.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "kuvora-cli-grammar: %s: %s\n", argv[2], man.errorString().toLocal8Bit().constData());
        return 1;
    }
    const QString page = QString::fromUtf8(man.readAll());
    return replace(argv[1], cli::CompletionScript()) && replace(argv[2], cli::WithSynopsis(page)) ? 0 : 1;
}
