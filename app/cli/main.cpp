// kuvora-cli: the work of the window program for scripts and for machines
// without a display. Built twice: kuvora-cli on Qt Core alone, and
// kuvora-cli-full (KUVORA_CLI_FULL) with what draws and speaks, which
// kuvora-cli runs for those.
#include "CliCommands.h"
#include "CliGrammar.h"
#include "CliParser.h"
#include "UiLanguage.h"
#include "standard_output.h"
#include "utf8_locale.h"

#include <QCoreApplication>
#include <QStringList>
#ifdef KUVORA_CLI_FULL
#include <QGuiApplication>
#endif

#include <cstdio>
#include <memory>

namespace {

// The command line as main got it, for kuvora-cli-full.
char** g_argv = nullptr;

// speak and the drawn formats: kuvora-cli-full's.
int runFull(const CliOptions& options, const QString& what) {
#ifdef KUVORA_CLI_FULL
    (void)what;
    if (options.command == QLatin1String("speak")) return RunSpeak(options);
    if (options.command == QLatin1String("history")) return RunHistory(options);
    return RunRead(options);
#else
    (void)options;
    return RunFullProgram(g_argv, what);
#endif
}

int run(const QStringList& args) {
    const ParsedCommandLine parsed = ParseCliArguments(args);
    const QString& command = parsed.options.command;
    if (parsed.help) {
        // A command's own options, or every command with all options.
        const cli::Command* known = cli::FindCommand(command);
        const QByteArray text = (known ? cli::CommandHelp(*known) : cli::UsageText()).toUtf8();
        platform::writeStandardOutput(std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
        return ExitOk;
    }
    SetUsageCommand(command);
    if (!parsed.error.isEmpty()) return UsageError(parsed.error, parsed.hint);
    if (parsed.version) {
        std::printf("kuvora-cli %s\n", KUVORA_VERSION);
        return ExitOk;
    }
    // The grammar has checked the options against the command.
    const CliOptions& options = parsed.options;
    if (command == QLatin1String("read")) {
        if (IsDrawingFormat(options.format)) return runFull(options, QStringLiteral("--format ") + options.format);
        return RunRead(options);
    }
    if (command == QLatin1String("idm")) return RunIdm(options);
    if (command == QLatin1String("history")) {
        // The expense claim is drawn.
        if (options.journeys && options.format == QLatin1String("pdf"))
            return runFull(options, QStringLiteral("--journeys --format pdf"));
        return RunHistory(options);
    }
    if (command == QLatin1String("speak")) return runFull(options, QStringLiteral("speak"));
    if (command == QLatin1String("capture")) return RunCapture(options);
    if (command == QLatin1String("green")) return RunGreen(options);
    if (command == QLatin1String("dump")) return RunDump(options);
    if (command == QLatin1String("readers")) return RunReaders(options);
    return UsageError(QStringLiteral("unknown command ") + command);
}

#ifdef KUVORA_CLI_FULL
// Whether the command line asks for a format drawn with Qt GUI.
bool wantsDrawing(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const QByteArray a = argv[i];
        QByteArray format;
        if (a == "--format" && i + 1 < argc) format = argv[i + 1];
        else if (a.startsWith("--format=")) format = a.mid(9);
        if (IsDrawingFormat(QString::fromUtf8(format))) return true;
    }
    return false;
}
#endif

}  // namespace

int main(int argc, char** argv) {
    platform::useUtf8CharacterType();
    g_argv = argv;
    // The drawn formats need Qt GUI, but no display: the offscreen platform.
    // Everything else runs on Qt Core alone.
    std::unique_ptr<QCoreApplication> application;
#ifdef KUVORA_CLI_FULL
    if (wantsDrawing(argc, argv)) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        application = std::make_unique<QGuiApplication>(argc, argv);
    }
#endif
    if (!application) application = std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Mirokaze"));
    QCoreApplication::setApplicationName(QStringLiteral("Kuvora"));
    // The table and the messages on standard error in the user's language;
    // JSON and the export files stay as they are.
    InstallUiLanguage(*application, ConfiguredUiLanguage(), false);
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    // Whatever was printed must have reached standard output.
    return platform::finishStandardOutput("kuvora-cli", run(args));
}
