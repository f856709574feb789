#include "CliCommands.h"

#include "CHistoryTable.h"
#include "CKuvoraDoc.h"
#include "CardTypes.h"
#include "CliOutput.h"
#include "CliParser.h"
#include "GreenTicket.h"
#include "HistoryCsv.h"
#include "HistoryExport.h"
#include "StoredHistory.h"
#include "MessageSink.h"
#include "ShownText.h"
#include "ReaderChoice.h"
#include "StringTable.h"
#include "felica.h"
#include "file_io.h"
#include "frames.h"
#include "library_control.h"
#include "read_idm.h"
#include "reader_directory.h"
#include "ServiceDump.h"
#include "standard_output.h"

#include <QDateTime>
#include <QFile>
#include <QRegularExpression>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Shows each message on standard error and keeps it for the output.
class CliMessageSink : public MessageSink {
public:
    void showMessage(const QString& text) override {
        messages.append(text);
        StderrMessageSink().showMessage(text);
    }
    QStringList messages;
};

// Standard output, or the file `path` replaced whole. A lost standard output
// is told about when the program ends; a file that cannot be written here.
bool writeOutput(const QString& path, const QByteArray& bytes) {
    const std::string_view text(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    if (path.isEmpty()) return platform::writeStandardOutput(text);
    std::string error;
    if (platform::replaceFile(QFile::encodeName(path).toStdString(), text, error)) return true;
    std::fprintf(stderr, "kuvora-cli: %s\n", error.c_str());
    return false;
}

}  // namespace

namespace {
bool g_verbose = false;
std::atomic<bool> g_interrupted{false};
volatile std::sig_atomic_t g_signal = 0;
std::atomic<int> g_wakeFd{-1};
extern "C" void onInterrupt(int signal) {
    const int saved = errno;
    g_signal = signal;
    g_interrupted = true;
    const int fd = g_wakeFd;
    if (fd >= 0) [[maybe_unused]] const auto ignored = ::write(fd, "w", 1);
    errno = saved;
}

// SIGINT and SIGTERM end a wait for a card at once: the handler notes the
// signal and writes a byte down a pipe, and a thread of ours wakes the watch
// (which may have to tell pcscd, nothing a signal handler may do).
class InterruptWakesWatch {
public:
    explicit InterruptWakesWatch(felica::PlacementWatch& watch) {
        if (::pipe2(fds_, O_CLOEXEC) == 0) {
            ::fcntl(fds_[1], F_SETFL, O_NONBLOCK);
            thread_ = std::thread([this, &watch] {
                char c = 0;
                while (::read(fds_[0], &c, 1) == 1 && c == 'w') watch.wake();
            });
            g_wakeFd = fds_[1];
        }
        std::signal(SIGINT, onInterrupt);
        std::signal(SIGTERM, onInterrupt);
    }
    ~InterruptWakesWatch() {
        g_wakeFd = -1;
        if (!thread_.joinable()) return;
        [[maybe_unused]] const auto ignored = ::write(fds_[1], "q", 1);
        thread_.join();
        ::close(fds_[0]);
        ::close(fds_[1]);
    }
    InterruptWakesWatch(const InterruptWakesWatch&) = delete;
    InterruptWakesWatch& operator=(const InterruptWakesWatch&) = delete;

private:
    int fds_[2] = {-1, -1};
    std::thread thread_;
};

// read --wait stopped by a signal before any card was read: nothing to print,
// and the status a shell gives a command killed by it (130 for SIGINT, 143 for
// SIGTERM), so that `read --wait > card.json && ...` does not go on.
int interruptedWait() {
    const int signal = g_signal;
    std::fprintf(stderr, "kuvora-cli: %s before a card was placed; nothing was read\n",
                 signal == SIGTERM ? "terminated" : "interrupted");
    return signal > 0 ? 128 + signal : 1;
}
}  // namespace

void LibraryHold::ReportReaderUsed() {
    if (!g_verbose) return;
    const std::string name = felica::readerName();
    const std::string chosen = name == "auto" ? felica::autoReaderChosen() : name;
    std::fprintf(stderr, "kuvora-cli: reader %s%s\n", chosen.empty() ? "(none found)" : chosen.c_str(),
                 name == "auto" ? " (auto)" : "");
}

bool PrepareReader(const CliOptions& options) {
    g_verbose = options.verbose;
    const QString reader = ChooseReaderName(options.reader);
    if (!felica::isReaderNameForm(reader.toStdString())) {
        UsageError(QStringLiteral("reader \"%1\" is none of the reader names: %2")
                       .arg(reader.left(80), QLatin1String(felica::kReaderNameForms)));
        return false;
    }
    QString error;
    if (!CheckCardImageReader(reader, error)) {
        std::fprintf(stderr, "kuvora-cli: %s\n", error.toUtf8().constData());
        return false;
    }
    SelectReader(reader);
    return true;
}

void ReportNoCard() {
    std::string why = felica::noCardReason();
    if (why.empty()) why = "the card on the reader answered, but is none of the card types read here";
    std::fprintf(stderr, "kuvora-cli: no card was read: %s\n", why.c_str());
}

namespace {

// The document in one of the formats json, table, tsv, xml, xls and csv.
bool IsDocumentFormat(const QString& format) {
    static const QStringList formats = {"json", "table", "tsv", "xml", "xls", "csv"};
    return formats.contains(format);
}

QByteArray DocumentOutput(const CKuvoraDoc& doc, const QString& format, const QStringList& messages) {
    if (format == QLatin1String("json")) return DocumentJson(doc, messages);
    if (format == QLatin1String("table")) return DocumentTable(doc).toUtf8();
    if (format == QLatin1String("xml")) return ExportXml(doc);
    if (format == QLatin1String("xls")) return ExportWorkbook(doc);
    if (format == QLatin1String("csv")) return ExportCsv(doc);
    return ExportText(doc);
}

int usage(const QString& why) { return UsageError(why); }

}  // namespace

bool ParseModeOption(const CliOptions& options, bool& fixed, int& mode) {
    fixed = !options.mode.isEmpty();
    mode = 0;
    if (!fixed || options.mode.compare(QLatin1String("auto"), Qt::CaseInsensitive) == 0) return true;
    // 0 is the code of Auto itself.
    bool ok = false;
    mode = options.mode.toInt(&ok);
    if (ok && FindCardType(mode)) return true;
    QStringList codes;
    for (const CardTypeInfo& t : CardTypeTable())
        if (t.code != 0) codes << QString::number(t.code);
    usage(QStringLiteral("--mode %1: expected auto (or 0) or a card type code: %2")
              .arg(options.mode, codes.join(QLatin1String(", "))));
    return false;
}

bool ParseCardTypeOption(const CliOptions& options, int& cardType) {
    cardType = -1;
    if (options.cardType.isEmpty()) return true;
    bool ok = false;
    cardType = options.cardType.toInt(&ok);
    if (ok && CKuvoraDoc::IsValidMode(cardType) && cardType != 0) return true;
    usage(QStringLiteral("--card-type %1: expected a card type code").arg(options.cardType));
    return false;
}

namespace {

// Counts the FeliCa commands of one command for --stats.
struct CommandStats {
    explicit CommandStats(bool wanted) : wanted(wanted) { felica::resetCounters(); }
    ~CommandStats() {
        if (!wanted) return;
        const felica::LibraryCounters c = felica::counters();
        std::fprintf(stderr, "FeliCa commands: %zu\nReader initialisations: %zu\n", c.commandsSent,
                     c.transportsOpened);
    }
    bool wanted;
};

}  // namespace

bool IsDrawingFormat(const QString& format) {
    return format == QLatin1String("pdf") || format == QLatin1String("svg") || format == QLatin1String("png");
}

int RunRead(const CliOptions& options) {
    const QString format = options.format.isEmpty() ? QStringLiteral("json") : options.format;
    const bool drawn = IsDrawingFormat(format);
    if (!options.pageSize.isEmpty() && format != QLatin1String("pdf"))
        return usage(QStringLiteral("--page-size belongs to --format pdf"));
    const DrawnFormats* const drawing = Drawing();
    if (drawn && !drawing) return usage(QStringLiteral("--format %1 is drawn by kuvora-cli-full").arg(format));
    if (drawn && !drawing->isPageSize(options.pageSize))
        return usage(QStringLiteral("--page-size %1: expected a paper size such as A4 or Letter").arg(options.pageSize));
    const QString& pageSize = options.pageSize;
    bool fixedMode = false;
    int mode = 0;
    if (!ParseModeOption(options, fixedMode, mode)) return ExitUsage;
    if (options.loop && (options.wait || !options.output.isEmpty() || format != QLatin1String("json")))
        return usage(QStringLiteral("--loop prints one JSON object per card on standard output; "
                                    "it takes no --wait, --output or --format other than json"));
    double seconds = -1;
    if (!options.timeout.isEmpty()) {
        bool ok = false;
        seconds = options.timeout.toDouble(&ok);
        if (!options.wait || !ok || !(seconds >= 0) || seconds > 86400)
            return usage(QStringLiteral("--timeout belongs to read --wait and takes seconds from 0 to 86400"));
    }
    LibraryHold hold;
    if (!PrepareReader(options)) return ExitUsage;
    CliMessageSink sink;
    ScopedMessageSink installed(&sink);
    CKuvoraDoc doc;
    doc.OnNewDocument();
    if (fixedMode) doc.m_nMode = mode;  // this run only; the stored mode stays
    auto readOnce = [&] {
        CommandStats stats(options.stats);
        doc.OnCardRead();
    };
    if (!options.wait && !options.loop) {
        readOnce();
        if (!doc.m_bCardRead) {
            ReportNoCard();
            return ExitMessage;
        }
        const QByteArray bytes = drawn ? drawing->draw(doc, format, pageSize) : DocumentOutput(doc, format, sink.messages);
        if (bytes.isEmpty() && drawn) return ExitMessage;
        if (!writeOutput(options.output, bytes)) return ExitMessage;
        return sink.messages.isEmpty() ? ExitOk : ExitMessage;
    }
    // Read on touch: wait until a card is placed (each card once per
    // placement), read it as Read does, and with --loop go on until
    // interrupted. A reader that fails is said once and waited for.
    felica::PlacementWatch watch;
    const InterruptWakesWatch interrupts(watch);
    const auto limit = std::chrono::milliseconds(static_cast<long long>(seconds * 1000));
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        felica::Idm idm{};
        auto left = std::chrono::milliseconds(-1);
        if (!options.loop && seconds >= 0)
            left = std::max(std::chrono::milliseconds(0), std::chrono::ceil<std::chrono::milliseconds>(
                                                              deadline - std::chrono::steady_clock::now()));
        switch (watch.waitForNewCard(idm, left, &g_interrupted)) {
        case felica::PlacementWatch::Result::NoReader:
            ShowMessage(1028);
            std::fprintf(stderr, "kuvora-cli: no card was read: %s\n"
                                 "kuvora-cli: waiting for the reader/writer (interrupt to stop)\n",
                         watch.reason().c_str());
            continue;
        case felica::PlacementWatch::Result::Stopped: return options.loop ? ExitOk : interruptedWait();
        case felica::PlacementWatch::Result::TimedOut:
            std::fprintf(stderr, "kuvora-cli: no card was placed on the reader within %s s\n",
                         options.timeout.toUtf8().constData());
            return ExitMessage;
        case felica::PlacementWatch::Result::Card: break;
        }
        sink.messages.clear();
        readOnce();
        if (!doc.m_bCardRead) {
            ReportNoCard();
            if (!options.loop) return ExitMessage;
            continue;
        }
        if (!options.loop) {
            const QByteArray bytes = drawn ? drawing->draw(doc, format, pageSize) : DocumentOutput(doc, format, sink.messages);
            if (bytes.isEmpty() && drawn) return ExitMessage;
            if (!writeOutput(options.output, bytes)) return ExitMessage;
            return sink.messages.isEmpty() ? ExitOk : ExitMessage;
        }
        // One line per card: the JSON's line breaks are layout only (texts
        // carry theirs escaped).
        QByteArray line = DocumentOutput(doc, format, sink.messages);
        line = QString::fromUtf8(line).remove(QRegularExpression(QStringLiteral("\n *"))).toUtf8() + '\n';
        if (!platform::writeStandardOutput(std::string_view(line.constData(), static_cast<std::size_t>(line.size()))) ||
            std::fflush(stdout) != 0)
            return ExitMessage;
    }
}

int RunReaders(const CliOptions& options) {
    g_verbose = options.verbose;
    std::string out;
    for (const felica::ReaderEntry& r : felica::listReaders())
        out += r.name + "\t" + r.route + "\t" + r.description + "\n";
    if (out.empty()) {
        std::fputs("kuvora-cli: no reader/writer found on PC/SC, USB (RC-S380) or libnfc; "
                   "a card image works as image:PATH\n",
                   stderr);
        return ExitMessage;
    }
    return platform::writeStandardOutput(out) ? ExitOk : ExitMessage;
}

int RunIdm(const CliOptions& options) {
    LibraryHold hold;
    if (!PrepareReader(options)) return ExitUsage;
    felica::Idm idm{};
    switch (felica::readCardIdm(idm)) {
    case felica::IdmRead::NoReader: ShowMessage(1028); ReportNoCard(); return ExitMessage;
    case felica::IdmRead::NoCard: ShowMessage(1101); ReportNoCard(); return ExitMessage;
    case felica::IdmRead::Ok: break;
    }
    return platform::writeStandardOutput(felica::toHex(idm) + "\n") ? ExitOk : ExitMessage;
}


namespace {

QString greenJson(const GreenTicketTexts& t, const QStringList& messages) {
    const std::pair<const char*, QString> fields[] = {
        {"message", t.message},        {"purchase", t.purchase},   {"boardingStation", t.boardingStation},
        {"alightingStation", t.alightingStation}, {"fare", t.fare}, {"seatLabel", t.seatLabel},
        {"trainCode", t.trainCode},    {"seatTime", t.seatTime},   {"seatStation", t.seatStation},
    };
    QString j = QStringLiteral("{\n");
    for (const auto& [key, value] : fields) j += QStringLiteral("  \"%1\": %2,\n").arg(QLatin1String(key), JsonString(value));
    QStringList shown;
    for (const QString& m : messages) shown << JsonString(m);
    return j + QStringLiteral("  \"messages\": [") + shown.join(QStringLiteral(", ")) + QStringLiteral("]\n}\n");
}

// The dialog's captions with their fields, one line each, in the user's
// language as the dialog shows them; the card's data as it is.
struct GreenText {
    Q_DECLARE_TR_FUNCTIONS(CSuicaGreenDlg)
};

QString greenTable(const GreenTicketTexts& t) {
    return GreenText::tr("Suicaグリーン券 Viewer") + QLatin1Char('\n') + ShownText(t.message) + QLatin1Char('\n') +
           GreenText::tr("購入日時：") + t.purchase + QLatin1Char('\n') + GreenText::tr("購入区間：") +
           t.boardingStation + QStringLiteral(" ⇒ ") + t.alightingStation + QLatin1Char('\n') +
           GreenText::tr("料        金：") + t.fare + QLatin1Char('\n') + GreenText::tr("列車コード：") + t.trainCode +
           QLatin1Char('\n') + ShownText(t.seatLabel) + t.seatTime + QLatin1Char(' ') + t.seatStation + QLatin1Char('\n');
}

}  // namespace

int RunGreen(const CliOptions& options) {
    const QString format = options.format.isEmpty() ? QStringLiteral("json") : options.format;
    LibraryHold hold;
    if (!PrepareReader(options)) return ExitUsage;
    CliMessageSink sink;
    ScopedMessageSink installed(&sink);
    GreenTicketTexts texts;
    {
        CommandStats stats(options.stats);
        texts = ReadGreenTicket();
    }
    const bool read = texts.message == QStringLiteral("読み取りました。");
    // The window shows a failure on the dialog's message line; here it goes
    // to standard error with the reason, and nothing to standard output.
    if (!read) {
        std::fprintf(stderr, "%s\n", ShownText(texts.message).toUtf8().constData());
        ReportNoCard();
        return ExitMessage;
    }
    const QString text = format == QLatin1String("json") ? greenJson(texts, sink.messages) : greenTable(texts);
    if (!writeOutput(QString(), text.toUtf8())) return ExitMessage;
    return read && sink.messages.isEmpty() ? ExitOk : ExitMessage;
}

int RunDump(const CliOptions& options) {
    LibraryHold hold;
    if (!PrepareReader(options)) return ExitUsage;
    const QString path = options.output.isEmpty() ? ServiceDumpFileName() : options.output;
    QByteArray text;
    ServiceDumpResult result;
    {
        CommandStats stats(options.stats);
        result = DumpCardServices(text, BlockProbe::Fast);
    }
    using Outcome = ServiceDumpResult::Outcome;
    if (result.outcome == Outcome::NoReader) {
        ReportNoCard();
        std::fprintf(stderr, "kuvora-cli: nothing written\n");
        return ExitMessage;
    }
    if (!writeOutput(path, text)) return ExitMessage;
    if (result.outcome == Outcome::NoCard) {
        ReportNoCard();
        std::fprintf(stderr, "kuvora-cli: %s is empty\n", path.toUtf8().constData());
        return ExitMessage;
    }
    if (result.outcome == Outcome::Stopped) {
        std::fprintf(stderr, "kuvora-cli: the card stopped answering; %s ends early\n", path.toUtf8().constData());
        return ExitMessage;
    }
    return ExitOk;
}

namespace {

QByteArray storedCardsOutput(const std::vector<StoredCard>& cards, bool json) {
    QString out;
    if (json) {
        out = QStringLiteral("{\"cards\":[");
        for (std::size_t i = 0; i < cards.size(); ++i) {
            const StoredCard& c = cards[i];
            const CardTypeInfo* type = FindCardType(c.cardType);
            out += QStringLiteral("%1{\"idm\":%2,\"cardType\":%3,\"cardTypeName\":%4,\"rows\":%5,\"newestDate\":%6,"
                                  "\"oldestDate\":%7,\"nickname\":%8,\"brand\":%9}")
                       .arg(i ? QStringLiteral(",") : QString(), JsonString(c.idm), QString::number(c.cardType),
                            JsonString(type ? QString::fromUtf8(type->label) : QString()),
                            QString::number(c.rows), JsonString(c.newestDate), JsonString(c.oldestDate),
                            c.nickname.isEmpty() ? QStringLiteral("null") : JsonString(c.nickname),
                            c.brand.isEmpty() ? QStringLiteral("null") : JsonString(c.brand));
        }
        out += QStringLiteral("]}\n");
    } else {
        out = QStringLiteral("IDm               type  brand       rows  newest          nickname\n");
        for (const StoredCard& c : cards)
            out += QStringLiteral("%1  %2  %3  %4  %5  %6\n")
                       .arg(c.idm, -16)
                       .arg(c.cardType, 4)
                       .arg(c.brand.isEmpty() ? QStringLiteral("-") : ShownText(c.brand), -10)
                       .arg(c.rows, 5)
                       .arg(c.newestDate, -14)
                       .arg(c.nickname)
                       .trimmed() + QLatin1Char('\n');
    }
    return out.toUtf8();
}

}  // namespace

int RunHistory(const CliOptions& options) {
    if (!options.forget.isEmpty()) return RunForget(options);
    const QString format = options.format.isEmpty() ? QStringLiteral("json") : options.format;
    const bool spending = options.summary || options.journeys || !options.from.isEmpty() || !options.to.isEmpty();
    if (spending && !SpendingOptionsError(options).isEmpty()) return usage(SpendingOptionsError(options));
    if (!spending && !IsDocumentFormat(format))
        return usage(QStringLiteral("--format %1: expected json, table, tsv, xml, xls or csv").arg(format));
    CHistoryTable table;
    CliMessageSink sink;
    ScopedMessageSink installed(&sink);
    const QString idm = options.idm.toUpper();
    static const QRegularExpression hex16(QStringLiteral("^[0-9A-F]{16}$"));
    if (!idm.isEmpty() && !hex16.match(idm).hasMatch())
        return usage(QStringLiteral("--idm %1: expected 16 hex digits").arg(options.idm));
    std::vector<StoredCard> cards;
    QString error;
    if (!ListStoredCards(table, cards, error, idm)) {
        std::fprintf(stderr, "kuvora-cli: %s: %s\n", table.Path().toUtf8().constData(), error.toUtf8().constData());
        return ExitMessage;
    }
    QByteArray bytes;
    if (idm.isEmpty()) {
        if (!options.cardType.isEmpty()) return usage(QStringLiteral("--card-type needs --idm"));
        if (format != QLatin1String("json") && format != QLatin1String("table"))
            return usage(QStringLiteral("--format %1 needs --idm").arg(format));
        bytes = storedCardsOutput(cards, format == QLatin1String("json"));
    } else {
        int cardType = -1;
        if (!ParseCardTypeOption(options, cardType)) return ExitUsage;
        QList<int> types;
        for (const StoredCard& c : cards)
            if (c.idm == idm && (cardType < 0 || c.cardType == cardType)) types << c.cardType;
        if (types.isEmpty()) {
            std::fprintf(stderr, "kuvora-cli: no stored history for IDm %s%s\n", idm.toUtf8().constData(),
                         cardType < 0 ? "" : QStringLiteral(" and card type %1").arg(cardType).toUtf8().constData());
            return ExitMessage;
        }
        if (types.size() > 1)
            return usage(QStringLiteral("IDm %1 is stored under several card types; choose one with --card-type").arg(idm));
        CKuvoraDoc doc;
        doc.OnNewDocument();
        LoadStoredHistory(table, doc, idm, types.first());
        QString nickname;
        for (const StoredCard& c : cards)
            if (c.idm == idm && c.cardType == types.first()) nickname = c.nickname;
        bytes = spending ? SpendingOutput(doc, options, nickname) : DocumentOutput(doc, format, sink.messages);
        if (bytes.isEmpty() && spending && format == QLatin1String("pdf")) return ExitMessage;
    }
    if (!writeOutput(options.output, bytes)) return ExitMessage;
    return sink.messages.isEmpty() ? ExitOk : ExitMessage;
}
