#include "CliCommands.h"

#include "CHistoryTable.h"
#include "CKuvoraDoc.h"
#include "CardTypes.h"
#include "CliOutput.h"
#include "HistoryExport.h"
#include "StoredHistory.h"
#include "MessageSink.h"
#include "ReaderChoice.h"
#include "StringTable.h"
#include "felica.h"
#include "frames.h"

#include <QFile>
#include <QRegularExpression>

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

// The document in one of the formats json, table, tsv, xml and xls.
bool IsDocumentFormat(const QString& format) {
    static const QStringList formats = {"json", "table", "tsv", "xml", "xls"};
    return formats.contains(format);
}

QByteArray DocumentOutput(const CKuvoraDoc& doc, const QString& format, const QStringList& messages) {
    if (format == QLatin1String("json")) return DocumentJson(doc, messages).toUtf8();
    if (format == QLatin1String("table")) return DocumentTable(doc).toUtf8();
    if (format == QLatin1String("xml")) return ExportXml(doc);
    if (format == QLatin1String("xls")) return ExportWorkbook(doc);
    return ExportText(doc);
}

int usage(const QString& why) {
    std::fprintf(stderr, "kuvora-cli: %s\n", why.toUtf8().constData());
    return ExitUsage;
}

}  // namespace

int RunRead(const CliOptions& options) {
    const QString format = options.format.isEmpty() ? QStringLiteral("json") : options.format;
    if (!IsDocumentFormat(format))
        return usage(QStringLiteral("--format %1: expected json, table, tsv, xml or xls").arg(format));
    bool fixedMode = false;
    int mode = 0;
    if (!options.mode.isEmpty()) {
        fixedMode = true;
        if (options.mode.compare(QLatin1String("auto"), Qt::CaseInsensitive) != 0) {
            bool ok = false;
            mode = options.mode.toInt(&ok);
            if (!ok) return usage(QStringLiteral("--mode %1: expected a card type code or auto").arg(options.mode));
        }
    }
    LibraryHold hold;
    if (!PrepareReader(options)) return ExitUsage;
    CliMessageSink sink;
    ScopedMessageSink installed(&sink);
    CKuvoraDoc doc;
    doc.OnNewDocument();
    if (fixedMode) doc.m_nMode = mode;  // this run only; the stored mode stays
    doc.OnCardRead();
    if (!writeOutput(options.output, DocumentOutput(doc, format, sink.messages))) {
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

namespace {

QByteArray storedCardsOutput(const std::vector<StoredCard>& cards, bool json) {
    QString out;
    if (json) {
        out = QStringLiteral("{\"cards\":[");
        for (std::size_t i = 0; i < cards.size(); ++i) {
            const StoredCard& c = cards[i];
            const CardTypeInfo* type = FindCardType(c.cardType);
            out += QStringLiteral("%1{\"idm\":%2,\"cardType\":%3,\"cardTypeName\":%4,\"rows\":%5,\"newestDate\":%6}")
                       .arg(i ? QStringLiteral(",") : QString(), JsonString(c.idm), QString::number(c.cardType),
                            JsonString(type ? QString::fromUtf16(type->label) : QString()),
                            QString::number(c.rows), JsonString(c.newestDate));
        }
        out += QStringLiteral("]}\n");
    } else {
        out = QStringLiteral("IDm               type   rows  newest\n");
        for (const StoredCard& c : cards)
            out += QStringLiteral("%1  %2  %3  %4\n")
                       .arg(c.idm, -16)
                       .arg(c.cardType, 4)
                       .arg(c.rows, 5)
                       .arg(c.newestDate);
    }
    return out.toUtf8();
}

}  // namespace

int RunHistory(const CliOptions& options) {
    const QString format = options.format.isEmpty() ? QStringLiteral("json") : options.format;
    if (!IsDocumentFormat(format))
        return usage(QStringLiteral("--format %1: expected json, table, tsv, xml or xls").arg(format));
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
        if (!options.cardType.isEmpty()) {
            bool ok = false;
            cardType = options.cardType.toInt(&ok);
            if (!ok || !CKuvoraDoc::IsValidMode(cardType) || cardType == 0)
                return usage(QStringLiteral("--card-type %1: expected a card type code").arg(options.cardType));
        }
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
        bytes = DocumentOutput(doc, format, sink.messages);
    }
    if (!writeOutput(options.output, bytes)) {
        std::fprintf(stderr, "kuvora-cli: cannot write %s\n",
                     options.output.isEmpty() ? "standard output" : options.output.toUtf8().constData());
        return ExitMessage;
    }
    return sink.messages.isEmpty() ? ExitOk : ExitMessage;
}
