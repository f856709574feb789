#include "CommandLine.h"

CommandLine ParseCommandLine(const QStringList& arguments) {
    CommandLine c;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == QLatin1String("--reader")) {
            if (i + 1 >= arguments.size() || arguments[i + 1].isEmpty()) {
                c.error = QStringLiteral("--reader needs a reader name");
                return c;
            }
            c.reader = arguments[++i];
            continue;
        }
        if (a.startsWith(QLatin1String("--reader="))) {
            c.reader = a.mid(9);
            continue;
        }
        if (a == QLatin1String("--read")) {
            c.readAtStart = true;
            continue;
        }
        if (a.size() < 2 || (a[0] != QLatin1Char('/') && a[0] != QLatin1Char('-'))) continue;
        const QString flag = a.mid(1);
        auto is = [&flag](const char* name) { return flag.compare(QLatin1String(name), Qt::CaseInsensitive) == 0; };
        if (is("Embedding")) c.launch = CommandLine::Launch::Embedding;
        else if (is("Automation")) c.launch = CommandLine::Launch::Automation;
        else if (is("Regserver") || is("Register")) c.launch = CommandLine::Launch::Register;
        else if (is("Unregserver") || is("Unregister")) c.launch = CommandLine::Launch::Unregister;
    }
    return c;
}

bool OpensWindow(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    return ParseCommandLine(arguments).launch == CommandLine::Launch::Interactive;
}
