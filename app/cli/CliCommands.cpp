#include "CliCommands.h"

#include "CKuvoraDoc.h"
#include "CliOutput.h"
#include "MessageSink.h"
#include "ReaderChoice.h"
#include "StringTable.h"
#include "felica.h"
#include "frames.h"

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

bool writeOutput(const QString& path, const QByteArray& bytes) {
    if (path.isEmpty()) {
        std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout);
        return std::fflush(stdout) == 0;
    }
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size() &&
           file.flush();
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
    if (!writeOutput(options.output, text.toUtf8())) {
        std::fprintf(stderr, "kuvora-cli: cannot write %s\n",
                     options.output.isEmpty() ? "standard output" : options.output.toUtf8().constData());
        return ExitMessage;
    }
    return sink.messages.isEmpty() ? ExitOk : ExitMessage;
}

int RunIdm(const CliOptions& options) {
    LibraryHold hold;
    if (!PrepareReader(options)) return ExitUsage;
    if (!open_reader_writer_auto()) {
        ShowMessage(1028);
        return ExitMessage;
    }
    std::uint8_t anyCard[2] = {0xFF, 0xFF};
    PollingRecord polling{anyCard, 0};
    std::uint8_t idm[8] = {}, pmm[8] = {};
    CardRecord card{idm, pmm};
    std::uint8_t count = 0;
    const bool found = polling_and_get_card_information(&polling, &count, &card) && count > 0;
    close_reader_writer();
    if (!found) {
        ShowMessage(1101);
        return ExitMessage;
    }
    std::printf("%s\n", felica::toHex(idm).c_str());
    return ExitOk;
}
