// kuvora-cli: the work of the window program for scripts and for machines
// without a display. Built twice: kuvora-cli on Qt Core alone, and
// kuvora-cli-full (KUVORA_CLI_FULL) with what draws and speaks, which
// kuvora-cli runs for those.
#include "CliCommands.h"
#include "CliParser.h"
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

const char* const kUsage =
    "Usage: kuvora-cli COMMAND [OPTIONS]\n"
    "\n"
    "Commands:\n"
    "  idm        print the IDm of the card on the reader\n"
    "  read       read the card, store its rows in the history database and print\n"
    "             the card's stored history\n"
    "  capture    write the card on the reader to a card image (--output FILE)\n"
    "  green      show the Green car ticket held on a Suica card\n"
    "  dump       write the card's systems, areas, services and readable blocks\n"
    "             to FelicaFormat.TXT in the current directory (or --output FILE)\n"
    "  speak      read the card and speak its rows; waits until they are spoken\n"
    "  history    list the cards stored in the history database, or give one\n"
    "             card's stored history (--idm), without a reader or a card\n"
    "  readers    list every reader found on each route, with the name that\n"
    "             selects it, its route and what it is\n"
    "\n"
    "Options:\n"
    "  --reader R   reader to use: auto, pcsc, pcsc:NAME, usb, usb:BUS:ADDRESS, nfc,\n"
    "               nfc:CONNSTRING or image:PATH (default: $KUVORA_READER, else the\n"
    "               setting \"Reader\", else auto; kuvora-cli readers lists them)\n"
    "  --mode M     read, speak: a card type code or auto (default: the stored mode)\n"
    "  --format F   read, history --idm: json (default), table, or the export\n"
    "               files tsv, xml, xls, csv; history, green: json or table\n"
    "               read: also pdf (the printed page), svg and png (the picture\n"
    "               the window's Copy puts on the clipboard)\n"
    "  --idm IDM    history: the card (16 hex digits)\n"
    "  --card-type N  history: the card type, when the IDm has several\n"
    "  --summary    history --idm: the fares, purchases and charges of each month\n"
    "               (--format json or table)\n"
    "  --journeys   history --idm: the fares paid from --from to --to (both\n"
    "               included), date, from, to and fare, with the total\n"
    "               (--format json, table or csv)\n"
    "  --from D, --to D  history --journeys: dates YYYY-MM-DD (default: all)\n"
    "  --page-size S  read --format pdf: the paper, e.g. A4 (default), A3, B5, Letter\n"
    "  --output F   read: write to file F instead of standard output;\n"
    "               capture: the card image file to write\n"
    "  --stats      read, green, dump: print the number of FeliCa commands sent\n"
    "               and of reader initialisations on standard error\n"
    "  --dry-run    speak: print each row's text and, after a tab, its kana\n"
    "               reading for a voice that cannot read kanji; nothing is spoken\n"
    "  --wait       read: wait for a card to be placed, then read it\n"
    "  --timeout S  read --wait: give up after S seconds (exit status 1)\n"
    "  --loop       read: read every card placed, once per placement, until\n"
    "               interrupted; one JSON object per line\n"
    "  --verbose    say on standard error which reader was used\n"
    "  --help       show this text; after a command, that command's options\n"
    "  --version    show the version\n"
    "\n"
    "Exit status: 0 without messages, 1 when a message was shown,\n"
    "2 for a usage error or an unreadable card image.\n";

int usageError(const QString& why) {
    std::fprintf(stderr, "kuvora-cli: %s\n\n%s", why.toUtf8().constData(), kUsage);
    return ExitUsage;
}

// The command line as main got it, for kuvora-cli-full.
char** g_argv = nullptr;

// speak and the drawn formats: kuvora-cli-full's.
int runFull(const CliOptions& options, const QString& what) {
#ifdef KUVORA_CLI_FULL
    (void)what;
    if (options.command == QLatin1String("speak")) return RunSpeak(options);
    return RunRead(options);
#else
    (void)options;
    return RunFullProgram(g_argv, what);
#endif
}

int run(QStringList args) {

    const ParsedCommandLine parsed = ParseCliArguments(args);
    if (parsed.help) {
        // A command's own options, or every command with all options.
        const QString& command = parsed.options.command;
        if (IsCliCommand(command)) {
            std::fputs(CommandHelp(command).toUtf8().constData(), stdout);
            if (command == QLatin1String("read") || command == QLatin1String("speak"))
                std::printf("\n%s", ModeCodesHelp().toUtf8().constData());
            return ExitOk;
        }
        std::fputs(kUsage, stdout);
        std::printf("\n%s", ModeCodesHelp().toUtf8().constData());
        return ExitOk;
    }
    if (!parsed.error.isEmpty()) return usageError(parsed.error);
    if (parsed.version) {
        std::printf("kuvora-cli %s\n", KUVORA_VERSION);
        return ExitOk;
    }
    CliOptions options = parsed.options;

    if (options.command.isEmpty()) return usageError(QStringLiteral("no command given"));
    if (options.stats && options.command != QLatin1String("read") && options.command != QLatin1String("green") &&
        options.command != QLatin1String("dump"))
        return usageError(QStringLiteral("--stats belongs to read, green and dump"));
    if (!options.pageSize.isEmpty() && options.command != QLatin1String("read"))
        return usageError(QStringLiteral("--page-size belongs to read --format pdf"));
    if ((options.wait || options.loop || !options.timeout.isEmpty()) && options.command != QLatin1String("read"))
        return usageError(QStringLiteral("--wait, --loop and --timeout belong to read"));
    if ((options.summary || options.journeys || !options.from.isEmpty() || !options.to.isEmpty()) &&
        options.command != QLatin1String("history"))
        return usageError(QStringLiteral("--summary, --journeys, --from and --to belong to history"));
    if (options.command == QLatin1String("readers")) {
        if (!options.reader.isEmpty() || !options.mode.isEmpty() || !options.format.isEmpty() || !options.output.isEmpty())
            return usageError(QStringLiteral("readers takes no options but --verbose"));
        return RunReaders(options);
    }
    if (options.dryRun && options.command != QLatin1String("speak"))
        return usageError(QStringLiteral("--dry-run belongs to speak"));
    if (options.command == QLatin1String("speak")) {
        if (!options.format.isEmpty() || !options.output.isEmpty())
            return usageError(QStringLiteral("speak takes only --reader, --mode and --dry-run"));
        return runFull(options, QStringLiteral("speak"));
    }
    if (options.command == QLatin1String("idm")) {
        if (!options.mode.isEmpty() || !options.format.isEmpty() || !options.output.isEmpty())
            return usageError(QStringLiteral("idm takes only --reader"));
        return RunIdm(options);
    }
    if (!options.idm.isEmpty() || !options.cardType.isEmpty()) {
        if (options.command != QLatin1String("history"))
            return usageError(QStringLiteral("--idm and --card-type belong to history"));
    }
    if (options.command == QLatin1String("read")) {
        if (IsDrawingFormat(options.format))
            return runFull(options, QStringLiteral("--format ") + options.format);
        return RunRead(options);
    }
    if (options.command == QLatin1String("history")) {
        if (!options.reader.isEmpty() || !options.mode.isEmpty())
            return usageError(QStringLiteral("history takes no --reader or --mode"));
        return RunHistory(options);
    }
    if (options.command == QLatin1String("capture")) {
        if (!options.mode.isEmpty() || !options.format.isEmpty())
            return usageError(QStringLiteral("capture takes only --reader and --output"));
        if (options.output.isEmpty()) return usageError(QStringLiteral("capture needs --output FILE"));
        return RunCapture(options);
    }
    if (options.command == QLatin1String("green")) {
        if (!options.mode.isEmpty() || !options.output.isEmpty())
            return usageError(QStringLiteral("green takes only --reader, --format and --stats"));
        return RunGreen(options);
    }
    if (options.command == QLatin1String("dump")) {
        if (!options.mode.isEmpty() || !options.format.isEmpty())
            return usageError(QStringLiteral("dump takes only --reader, --output and --stats"));
        return RunDump(options);
    }
    return usageError(QLatin1String("unknown command ") + options.command);
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
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    // Whatever was printed must have reached standard output.
    return platform::finishStandardOutput("kuvora-cli", run(args));
}
