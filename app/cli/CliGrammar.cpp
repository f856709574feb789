#include "CliGrammar.h"

#include "CardTypes.h"

#include <QStringList>

#include <algorithm>
#include <vector>

namespace cli {

namespace {

using VK = ValueKind;
using O = CliOptions;

constexpr Option kOptions[] = {
    {"reader", "R", VK::Reader, nullptr,
     "reader to use: auto, pcsc, pcsc:NAME, usb, usb:BUS:ADDRESS, nfc, "
     "nfc:CONNSTRING or image:PATH (default: $KUVORA_READER, else the "
     "setting \"Reader\", else auto; kuvora-cli readers lists them)",
     &O::reader},
    {"mode", "M", VK::Mode, nullptr, "a card type code or auto, for this run only (default: the stored mode)",
     &O::mode},
    {"format", "F", VK::Choice, nullptr, "the form of the output (the command's --help lists its forms)", &O::format},
    {"output", "FILE", VK::File, nullptr, "write to FILE instead of standard output", &O::output},
    {"idm", "IDM", VK::Text, nullptr, "the card (16 hex digits)", &O::idm},
    {"card-type", "N", VK::Text, nullptr, "the card type, when the IDm has several", &O::cardType},
    {"forget", "IDM", VK::Text, nullptr,
     "forget the card: its rows, nickname and brand leave the history database for good (with --card-type: "
     "under that type only)",
     &O::forget},
    {"summary", nullptr, VK::Switch, nullptr,
     "with --idm: the fares, purchases and charges of each month (--format json or table)", nullptr, &O::summary},
    {"journeys", nullptr, VK::Switch, nullptr,
     "with --idm: the fares paid from --from to --to (both included), date, from, to, fare and kind, with the "
     "total (--format json, table, csv, or pdf: an expense claim on A4)",
     nullptr, &O::journeys},
    {"from", "DATE", VK::Text, nullptr, "--journeys: the first date, YYYY-MM-DD (default: all)", &O::from},
    {"to", "DATE", VK::Text, nullptr, "--journeys: the last date, YYYY-MM-DD (default: all)", &O::to},
    {"page-size", "SIZE", VK::Suggest, "A4 A3 A5 B4 B5 Letter Legal",
     "--format pdf: the paper, e.g. A4 (default), A3, B5, Letter", &O::pageSize},
    {"stats", nullptr, VK::Switch, nullptr,
     "print the number of FeliCa commands sent and of reader initialisations on standard error", nullptr, &O::stats},
    {"dry-run", nullptr, VK::Switch, nullptr,
     "print each row's text and, after a tab, its kana reading for a voice that cannot read kanji; nothing is spoken",
     nullptr, &O::dryRun},
    {"wait", nullptr, VK::Switch, nullptr, "wait for a card to be placed, then read it", nullptr, &O::wait},
    {"timeout", "SECONDS", VK::Text, nullptr, "--wait: give up after SECONDS seconds (exit status 1)", &O::timeout},
    {"loop", nullptr, VK::Switch, nullptr,
     "read every card placed, once per placement, until interrupted; one JSON object per line", nullptr, &O::loop},
    {"verbose", nullptr, VK::Switch, nullptr, "say on standard error which reader was used", nullptr, &O::verbose},
    {kHelpOption, nullptr, VK::Switch, nullptr, "show this text; after a command, that command's options"},
    {kVersionOption, nullptr, VK::Switch, nullptr, "show the version"},
};

constexpr const char* kToStandardOutput = "write to FILE instead of standard output";

constexpr CommandOption kIdm[] = {{"reader"}, {"verbose"}};
constexpr CommandOption kRead[] = {
    {"reader"},
    {"mode"},
    {"format",
     "json (default), table, or the export files tsv and xml (CP932), "
     "xls (an Excel 97 workbook) and csv (UTF-8 with a byte-order "
     "mark); pdf (the printed page), svg and png (the picture the window's Copy puts on the clipboard)",
     "json table tsv xml xls csv pdf svg png"},
    {"output", kToStandardOutput},
    {"page-size"},
    {"stats"},
    {"wait"},
    {"timeout"},
    {"loop"},
    {"verbose"},
};
constexpr CommandOption kCapture[] = {{"reader"}, {"output", "the card image file to write", nullptr, true}, {"verbose"}};
constexpr CommandOption kGreen[] = {{"reader"}, {"format", "json (default) or table", "json table"}, {"stats"}, {"verbose"}};
constexpr CommandOption kDump[] = {
    {"reader"}, {"output", "the file to write instead of FelicaFormat.TXT"}, {"stats"}, {"verbose"}};
constexpr CommandOption kSpeak[] = {{"reader"}, {"mode"}, {"dry-run"}, {"verbose"}};
constexpr CommandOption kHistory[] = {
    {"idm"},
    {"card-type"},
    {"format",
     "json (default) or table; with --idm also the export files tsv "
     "and xml (CP932), xls (an Excel 97 workbook) and csv (UTF-8 with "
     "a byte-order mark); --journeys: json, table, csv or pdf",
     "json table tsv xml xls csv pdf"},
    {"output", kToStandardOutput},
    {"summary"},
    {"journeys"},
    {"from"},
    {"to"},
    {"forget"},
};
constexpr CommandOption kReaders[] = {{"verbose"}};

constexpr Command kCommands[] = {
    {"idm", "print the IDm of the card on the reader", true, kIdm},
    {"read", "read the card, store its rows in the history database and print the card's stored history", true,
     kRead},
    {"capture", "write the card on the reader to a card image", true, kCapture},
    {"green", "show the Green car ticket held on a Suica card", true, kGreen},
    {"dump",
     "write the card's systems, areas, services and readable blocks to FelicaFormat.TXT in the current directory "
     "(or --output FILE)",
     true, kDump},
    {"speak", "read the card and speak its rows; waits until they are spoken", true, kSpeak},
    {"history",
     "list the cards stored in the history database, or give one card's stored history (--idm), without a reader "
     "or a card",
     false, kHistory},
    {"readers", "list every reader found on each route, with the name that selects it, its route and what it is",
     false, kReaders},
};

constexpr const char* kCardImageHelp = "a card image file, read as with --reader image:CARD_IMAGE";

constexpr const char* kExitStatus =
    "Exit status: 0 without messages, 1 when a message was shown, 2 for a usage error or an unreadable card "
    "image.";

// The left column of the option lists.
QString optionLeft(const Option& o) {
    QString left = QStringLiteral("--") + QLatin1String(o.name);
    if (o.valueName) left += QLatin1Char(' ') + QLatin1String(o.valueName);
    return left;
}

constexpr qsizetype kLineWidth = 79;

// `text` in lines of at most kLineWidth columns, all but the first indented
// by `indent`; a line break in `text` starts a new line.
QString wrapped(const QString& text, qsizetype indent) {
    const QString margin(indent, QLatin1Char(' '));
    QString out;
    const QStringList paragraphs = text.split(QLatin1Char('\n'));
    for (qsizetype p = 0; p < paragraphs.size(); ++p) {
        if (p > 0) out += QLatin1Char('\n') + margin;
        qsizetype column = indent;
        bool first = true;
        for (const QString& word : paragraphs[p].split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            if (!first && column + 1 + word.size() > kLineWidth) {
                out += QLatin1Char('\n') + margin;
                column = indent;
                first = true;
            }
            if (!first) {
                out += QLatin1Char(' ');
                ++column;
            }
            out += word;
            column += word.size();
            first = false;
        }
    }
    return out;
}

// Lines of `rows` (left column, help) with the helps lined up after the
// widest left column.
QString columns(const std::vector<std::pair<QString, QString>>& rows) {
    qsizetype width = 0;
    for (const auto& row : rows) width = std::max(width, row.first.size());
    const qsizetype column = width + 4;
    QString text;
    for (const auto& [left, help] : rows)
        text += (QStringLiteral("  ") + left).leftJustified(column) + wrapped(help, column) + QLatin1Char('\n');
    return text;
}

bool takesMode(const Command& c) { return FindCommandOption(c, QStringLiteral("mode")) != nullptr; }

// The card type codes --mode takes, with their labels.
QString modeCodesHelp() {
    QString text = QStringLiteral("Card types (--mode):\n  auto, 0  every type in turn\n");
    for (const CardTypeInfo& t : CardTypeTable())
        if (t.code != 0) text += QStringLiteral("  %1 %2\n").arg(t.code, -8).arg(QString::fromUtf8(t.label));
    return text;
}

}  // namespace

std::span<const Option> Options() { return kOptions; }
std::span<const Command> Commands() { return kCommands; }

const Option* FindOption(const QString& name) {
    for (const Option& o : kOptions)
        if (name == QLatin1String(o.name)) return &o;
    return nullptr;
}

const Command* FindCommand(const QString& name) {
    for (const Command& c : kCommands)
        if (name == QLatin1String(c.name)) return &c;
    return nullptr;
}

const CommandOption* FindCommandOption(const Command& command, const QString& name) {
    for (const CommandOption& o : command.options)
        if (name == QLatin1String(o.name)) return &o;
    return nullptr;
}

const char* WordsOf(const Command& command, const Option& option) {
    const CommandOption* own = FindCommandOption(command, QLatin1String(option.name));
    return own && own->words ? own->words : option.words;
}

QString UsageText() {
    QString text = QStringLiteral("Usage: kuvora-cli COMMAND [OPTIONS] [%1]\n\nCommands:\n")
                       .arg(QLatin1String(kCardImageName));
    std::vector<std::pair<QString, QString>> rows;
    QStringList readers;
    for (const Command& c : kCommands) {
        rows.emplace_back(QLatin1String(c.name), QLatin1String(c.summary));
        if (c.cardImage) readers << QLatin1String(c.name);
    }
    text += columns(rows) + QStringLiteral("\nOptions (kuvora-cli COMMAND --help gives one command's):\n");
    rows.clear();
    for (const Option& o : kOptions) {
        QStringList takers;
        for (const Command& c : kCommands)
            if (FindCommandOption(c, QLatin1String(o.name))) takers << QLatin1String(c.name);
        const QString help = QString::fromUtf8(o.help);
        rows.emplace_back(optionLeft(o), takers.isEmpty() ? help : takers.join(QLatin1String(", ")) + QStringLiteral(":\n") + help);
    }
    text += columns(rows);
    text += QLatin1Char('\n') +
            wrapped(QStringLiteral("%1 (%2): %3").arg(QLatin1String(kCardImageName), readers.join(QLatin1String(", ")),
                                                     QLatin1String(kCardImageHelp)),
                    0) +
            QStringLiteral("\n\n");
    return text + wrapped(QLatin1String(kExitStatus), 0) + QStringLiteral("\n\n") + modeCodesHelp();
}

QString CommandHelp(const Command& command) {
    QString usage = QStringLiteral("Usage: kuvora-cli ") + QLatin1String(command.name);
    for (const CommandOption& o : command.options)
        if (o.required) usage += QLatin1Char(' ') + optionLeft(*FindOption(QLatin1String(o.name)));
    usage += QStringLiteral(" [OPTIONS]");
    if (command.cardImage) usage += QStringLiteral(" [%1]").arg(QLatin1String(kCardImageName));
    QString text = usage + QStringLiteral("\n\n") + wrapped(QLatin1String(command.summary), 0) +
                   QStringLiteral("\n\nOptions:\n");
    std::vector<std::pair<QString, QString>> rows;
    for (const CommandOption& own : command.options) {
        const Option& o = *FindOption(QLatin1String(own.name));
        rows.emplace_back(optionLeft(o), QString::fromUtf8(own.help ? own.help : o.help));
    }
    rows.emplace_back(QStringLiteral("--help"), QStringLiteral("show this text"));
    text += columns(rows);
    if (command.cardImage) text += QStringLiteral("\n%1: %2\n").arg(QLatin1String(kCardImageName), QLatin1String(kCardImageHelp));
    if (takesMode(command)) text += QLatin1Char('\n') + modeCodesHelp();
    return text;
}

namespace {

// Edits (insert, delete, change, swap two neighbours) from `a` to `b`.
qsizetype editDistance(const QString& a, const QString& b) {
    const qsizetype n = a.size(), m = b.size();
    std::vector<std::vector<qsizetype>> d(n + 1, std::vector<qsizetype>(m + 1));
    for (qsizetype i = 0; i <= n; ++i) d[i][0] = i;
    for (qsizetype j = 0; j <= m; ++j) d[0][j] = j;
    for (qsizetype i = 1; i <= n; ++i)
        for (qsizetype j = 1; j <= m; ++j) {
            const qsizetype change = a[i - 1] == b[j - 1] ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + change});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    return d[n][m];
}

}  // namespace

QString NearestName(const QString& typed, const QStringList& candidates) {
    const QString lower = typed.toLower();
    QString best;
    qsizetype bestDistance = 0;
    for (const QString& c : candidates) {
        // Half of a short name is no longer a slip.
        const qsizetype allowed = std::min<qsizetype>(2, std::max<qsizetype>(1, c.size() / 3));
        qsizetype distance = editDistance(lower, c);
        if (lower.size() >= 2 && c.startsWith(lower)) distance = std::min<qsizetype>(distance, 1);
        if (distance > allowed) continue;
        if (best.isEmpty() || distance < bestDistance) {
            best = c;
            bestDistance = distance;
        }
    }
    return best;
}

}  // namespace cli
