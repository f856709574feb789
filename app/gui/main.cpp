// kuvora: the window program.
#include "CKuvoraApp.h"

#include <cstdio>

int main(int argc, char** argv) {
    // --help and --version print and end, without a display.
    QStringList arguments;
    for (int i = 1; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    const CommandLine options = ParseCommandLine(arguments);
    if (options.error.isEmpty() && (options.help || options.version)) {
        const QString text = options.help ? CommandLineUsage()
                                          : QStringLiteral("kuvora %1\n").arg(QLatin1String(CKuvoraApp::kVersion));
        std::fputs(text.toLocal8Bit().constData(), stdout);
        return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
    }
    // Serving or (un)registering the automation object shows no window and
    // needs no display.
    if (!OpensWindow(argc, argv)) qputenv("QT_QPA_PLATFORM", "offscreen");
    CKuvoraApp app(argc, argv);
    if (!app.InitInstance()) return app.ExitCode();
    return app.exec();
}
