#include "CliParser.h"

#include <QCommandLineParser>

#include <algorithm>
#include <iterator>

namespace {

struct OptionDef {
    const char* name;
    const char* valueName;  // null for a switch
    const char* help;
};

const OptionDef kOptions[] = {
    {"reader", "R", "reader to use: auto, pcsc, pcsc:NAME, usb, usb:BUS:ADDRESS, nfc,\n"
                    "nfc:CONNSTRING or image:PATH (default: $KUVORA_READER, else the\n"
                    "setting \"Reader\", else auto; kuvora-cli readers lists them)"},
    {"mode", "M", "a card type code or auto (default: the stored mode)"},
    {"format", "F", nullptr},  // told per command
    {"output", "F", nullptr},
    {"idm", "IDM", "the card (16 hex digits)"},
    {"card-type", "N", "the card type, when the IDm has several"},
    {"summary", nullptr, "with --idm: the fares, purchases and charges of each month\n(--format json or table)"},
    {"journeys", nullptr, "with --idm: the fares paid from --from to --to (both\nincluded), date, from, to, fare "
                          "and kind, with the total\n(--format json, table, csv, or pdf: an expense claim on A4)"},
    {"forget", "IDM", "forget the card: its rows, nickname and brand leave the\nhistory database for good "
                      "(with --card-type: under that\ntype only)"},
    {"from", "D", "--journeys: the first date, YYYY-MM-DD (default: all)"},
    {"to", "D", "--journeys: the last date, YYYY-MM-DD (default: all)"},
    {"page-size", "S", "--format pdf: the paper, e.g. A4 (default), A3, B5, Letter"},
    {"stats", nullptr, "print the number of FeliCa commands sent and of reader\ninitialisations on standard error"},
    {"dry-run", nullptr, "print each row's text and, after a tab, its kana reading for\n"
                         "a voice that cannot read kanji; nothing is spoken"},
    {"wait", nullptr, "wait for a card to be placed, then read it"},
    {"timeout", "S", "--wait: give up after S seconds (exit status 1)"},
    {"loop", nullptr, "read every card placed, once per placement, until\ninterrupted; one JSON object per line"},
    {"verbose", nullptr, "say on standard error which reader was used"},
    {"help", nullptr, "show this text"},
    {"version", nullptr, "show the version"},
};

struct CommandDef {
    const char* name;
    const char* what;
    const char* format;  // --format's help, or null
    const char* output;  // --output's help, or null
    QStringList options;
};

const CommandDef kCommands[] = {
    {"idm", "print the IDm of the card on the reader", nullptr, nullptr, {"reader", "verbose"}},
    {"read", "read the card, store its rows in the history database and print\nthe card's stored history",
     "json (default), table, or the export files tsv, xml, xls, csv;\npdf (the printed page), svg and png (the picture "
     "the window's\nCopy puts on the clipboard)",
     "write to file F instead of standard output",
     {"reader", "mode", "format", "output", "page-size", "stats", "wait", "timeout", "loop", "verbose"}},
    {"capture", "write the card on the reader to a card image", nullptr, "the card image file to write",
     {"reader", "output", "verbose"}},
    {"green", "show the Green car ticket held on a Suica card", "json (default) or table", nullptr,
     {"reader", "format", "stats", "verbose"}},
    {"dump", "write the card's systems, areas, services and readable blocks\nto FelicaFormat.TXT in the current "
             "directory (or --output FILE)",
     nullptr, "the file to write instead of FelicaFormat.TXT", {"reader", "output", "stats", "verbose"}},
    {"speak", "read the card and speak its rows; waits until they are spoken", nullptr, nullptr,
     {"reader", "mode", "dry-run", "verbose"}},
    {"history", "list the cards stored in the history database, or give one\ncard's stored history (--idm), "
                "without a reader or a card",
     "json (default) or table; with --idm also the export files\ntsv, xml, xls, csv",
     "write to file F instead of standard output",
     {"idm", "card-type", "format", "output", "summary", "journeys", "from", "to", "forget"}},
    {"readers", "list every reader found on each route, with the name that\nselects it, its route and what it is",
     nullptr, nullptr, {"verbose"}},
};

const CommandDef* findCommand(const QString& name) {
    for (const CommandDef& c : kCommands)
        if (name == QLatin1String(c.name)) return &c;
    return nullptr;
}

QString indented(const QString& text, int width) {
    QString out = text;
    return out.replace(QLatin1Char('\n'), QLatin1Char('\n') + QString(width, QLatin1Char(' ')));
}

}  // namespace

bool IsCliCommand(const QString& command) { return findCommand(command) != nullptr; }

QString CommandHelp(const QString& command) {
    const CommandDef* c = findCommand(command);
    if (!c) return QString();
    QString text = QStringLiteral("Usage: kuvora-cli %1 [OPTIONS]\n\n%2\n\nOptions:\n")
                       .arg(QLatin1String(c->name), QString::fromLatin1(c->what).replace('\n', ' '));
    QStringList names = c->options;
    names << QStringLiteral("help");
    constexpr int kColumn = 18;
    for (const QString& name : names) {
        const auto def = std::find_if(std::begin(kOptions), std::end(kOptions),
                                      [&](const OptionDef& o) { return name == QLatin1String(o.name); });
        const char* help = name == QLatin1String("format") ? c->format
                           : name == QLatin1String("output") ? c->output
                                                            : def->help;
        QString left = QStringLiteral("  --") + name;
        if (def->valueName) left += QLatin1Char(' ') + QLatin1String(def->valueName);
        left = left.leftJustified(kColumn - 1) + QLatin1Char(' ');
        text += left + indented(QString::fromUtf8(help), kColumn) + QLatin1Char('\n');
    }
    return text;
}

ParsedCommandLine ParseCliArguments(const QStringList& args) {
    ParsedCommandLine parsed;
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    for (const OptionDef& o : kOptions) {
        QStringList names{QLatin1String(o.name)};
        if (names.first() == QLatin1String("help")) names << QStringLiteral("h");
        parser.addOption(o.valueName ? QCommandLineOption(names, QString(), QLatin1String(o.valueName))
                                     : QCommandLineOption(names));
    }
    // QCommandLineParser takes the program's name first.
    if (!parser.parse(QStringList{QStringLiteral("kuvora-cli")} + args)) {
        parsed.help = parser.isSet(QStringLiteral("help"));
        parsed.error = parser.errorText();
        return parsed;
    }
    parsed.help = parser.isSet(QStringLiteral("help"));
    parsed.version = parser.isSet(QStringLiteral("version"));
    CliOptions& options = parsed.options;
    options.stats = parser.isSet(QStringLiteral("stats"));
    options.verbose = parser.isSet(QStringLiteral("verbose"));
    options.wait = parser.isSet(QStringLiteral("wait"));
    options.loop = parser.isSet(QStringLiteral("loop"));
    options.summary = parser.isSet(QStringLiteral("summary"));
    options.journeys = parser.isSet(QStringLiteral("journeys"));
    options.dryRun = parser.isSet(QStringLiteral("dry-run"));
    const std::pair<const char*, QString*> values[] = {
        {"reader", &options.reader}, {"mode", &options.mode},           {"format", &options.format},
        {"output", &options.output}, {"idm", &options.idm},             {"card-type", &options.cardType},
        {"timeout", &options.timeout}, {"page-size", &options.pageSize}, {"from", &options.from},
        {"to", &options.to},   {"forget", &options.forget},
    };
    for (const auto& [name, value] : values) {
        if (!parser.isSet(QLatin1String(name))) continue;
        *value = parser.value(QLatin1String(name));
        if (value->isEmpty() && !parsed.help) {
            parsed.error = QStringLiteral("--%1 needs a value").arg(QLatin1String(name));
            return parsed;
        }
    }
    const QStringList positional = parser.positionalArguments();
    if (!positional.isEmpty()) options.command = positional.first();
    if (positional.size() > 1 && !parsed.help)
        parsed.error = QLatin1String("unexpected argument ") + positional[1];
    return parsed;
}
