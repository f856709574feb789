#include "CliCommands.h"

#include "CKuvoraDoc.h"
#include "CliOutput.h"
#include "GreenTicket.h"
#include "MessageSink.h"
#include "ReaderChoice.h"
#include "StringTable.h"
#include "felica.h"
#include "file_io.h"
#include "frames.h"
#include "library_control.h"
#include "read_idm.h"
#include "ServiceDump.h"
#include "standard_output.h"

#include <QFile>

#include <cstdio>

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

bool PrepareReader(const CliOptions& options) {
    const QString reader = ChooseReaderName(options.reader);
    QString error;
    if (!CheckCardImageReader(reader, error)) {
        std::fprintf(stderr, "%s\n", error.toUtf8().constData());
        return false;
    }
    SelectReader(reader);
    return true;
}

namespace {

int usage(const QString& why) {
    std::fprintf(stderr, "kuvora-cli: %s\n", why.toUtf8().constData());
    return ExitUsage;
}

}  // namespace

bool ParseModeOption(const CliOptions& options, bool& fixed, int& mode) {
    fixed = !options.mode.isEmpty();
    mode = 0;
    if (!fixed || options.mode.compare(QLatin1String("auto"), Qt::CaseInsensitive) == 0) return true;
    bool ok = false;
    mode = options.mode.toInt(&ok);
    if (!ok) usage(QStringLiteral("--mode %1: expected a card type code or auto").arg(options.mode));
    return ok;
}

int RunRead(const CliOptions& options) {
    const QString format = options.format.isEmpty() ? QStringLiteral("json") : options.format;
    if (format != QLatin1String("json") && format != QLatin1String("table")) {
        if (format == QLatin1String("tsv") || format == QLatin1String("xml") || format == QLatin1String("xls"))
            return usage(QStringLiteral("--format %1: the export files are not built yet").arg(format));
        return usage(QStringLiteral("--format %1: expected json, table, tsv, xml or xls").arg(format));
    }
    bool fixedMode = false;
    int mode = 0;
    if (!ParseModeOption(options, fixedMode, mode)) return ExitUsage;
    LibraryHold hold;
    if (!PrepareReader(options)) return ExitUsage;
    CliMessageSink sink;
    ScopedMessageSink installed(&sink);
    CKuvoraDoc doc;
    doc.OnNewDocument();
    if (fixedMode) doc.m_nMode = mode;  // this run only; the stored mode stays
    doc.OnCardRead();
    const QString text = format == QLatin1String("json") ? DocumentJson(doc, sink.messages) : DocumentTable(doc);
    if (!writeOutput(options.output, text.toUtf8())) return ExitMessage;
    return sink.messages.isEmpty() ? ExitOk : ExitMessage;
}

int RunIdm(const CliOptions& options) {
    LibraryHold hold;
    if (!PrepareReader(options)) return ExitUsage;
    felica::Idm idm{};
    switch (felica::readCardIdm(idm)) {
    case felica::IdmRead::NoReader: ShowMessage(1028); return ExitMessage;
    case felica::IdmRead::NoCard: ShowMessage(1101); return ExitMessage;
    case felica::IdmRead::Ok: break;
    }
    return platform::writeStandardOutput(felica::toHex(idm) + "\n") ? ExitOk : ExitMessage;
}

namespace {

// Counts the FeliCa commands of one command for --stats.
struct CommandStats {
    explicit CommandStats(bool wanted) : wanted(wanted) { felica::resetCounters(); }
    ~CommandStats() {
        if (wanted) std::fprintf(stderr, "FeliCa commands: %zu\n", felica::counters().commandsSent);
    }
    bool wanted;
};

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

// The dialog's captions with their fields, one line each.
QString greenTable(const GreenTicketTexts& t) {
    return QStringLiteral("Suicaグリーン券 Viewer\n%1\n購入日時：%2\n購入区間：%3 ⇒ %4\n料        金：%5\n"
                          "列車コード：%6\n%7%8 %9\n")
        .arg(t.message, t.purchase, t.boardingStation, t.alightingStation, t.fare, t.trainCode, t.seatLabel,
             t.seatTime, t.seatStation);
}

}  // namespace

int RunGreen(const CliOptions& options) {
    const QString format = options.format.isEmpty() ? QStringLiteral("json") : options.format;
    if (format != QLatin1String("json") && format != QLatin1String("table"))
        return usage(QStringLiteral("--format %1: expected json or table").arg(format));
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
    // The window shows a failure on the dialog's message line; here it also
    // goes to standard error, so that scripts see it.
    if (!read) std::fprintf(stderr, "%s\n", texts.message.toUtf8().constData());
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
        std::fprintf(stderr, "kuvora-cli: the reader/writer could not be opened; nothing written\n");
        return ExitMessage;
    }
    if (!writeOutput(path, text)) {
        std::fprintf(stderr, "kuvora-cli: cannot write %s\n", path.toUtf8().constData());
        return ExitMessage;
    }
    if (result.outcome == Outcome::NoCard) {
        std::fprintf(stderr, "kuvora-cli: no card answered; %s is empty\n", path.toUtf8().constData());
        return ExitMessage;
    }
    if (result.outcome == Outcome::Stopped) {
        std::fprintf(stderr, "kuvora-cli: the card stopped answering; %s ends early\n", path.toUtf8().constData());
        return ExitMessage;
    }
    return ExitOk;
}
