// history --summary and --journeys: a stored card's totals per month and the
// fares of a date range.
#include "CKuvoraDoc.h"
#include "CliCommands.h"
#include "CliOutput.h"
#include "Spending.h"

namespace {

QString dateOrAll(const QString& date, const char* all) { return date.isEmpty() ? QLatin1String(all) : date; }

QString padded(const QString& text, int width, bool right = false) {
    const QString fill(std::max(0, width - DisplayWidth(text)), QLatin1Char(' '));
    return right ? fill + text : text + fill;
}

QString cardJson(const CKuvoraDoc& doc) {
    return QStringLiteral("\"idm\":%1,\"cardType\":%2,").arg(JsonString(doc.m_strIDm)).arg(doc.m_nCardType);
}

QString summaryOutput(const CKuvoraDoc& doc, bool json) {
    const std::vector<MonthTotals> months = MonthlyTotals(ClassifyRows(doc.m_nCardType, doc.m_History, doc.m_nRows));
    MonthTotals total;
    for (const MonthTotals& m : months) {
        total.fares += m.fares;
        total.purchases += m.purchases;
        total.charges += m.charges;
    }
    auto sums = [](const MonthTotals& m) {
        return QStringLiteral("\"fares\":%1,\"purchases\":%2,\"charges\":%3").arg(m.fares).arg(m.purchases).arg(m.charges);
    };
    QString out;
    if (json) {
        out = QStringLiteral("{") + cardJson(doc) + QStringLiteral("\"months\":[");
        for (std::size_t i = 0; i < months.size(); ++i)
            out += QStringLiteral("%1{\"month\":%2,%3}")
                       .arg(i ? QStringLiteral(",") : QString(),
                            months[i].month.isEmpty() ? QStringLiteral("null") : JsonString(months[i].month),
                            sums(months[i]));
        return out + QStringLiteral("],\"total\":{%1}}\n").arg(sums(total));
    }
    auto line = [](const QString& month, const MonthTotals& m) {
        return QStringLiteral("%1  %2  %3  %4\n")
            .arg(month, -7)
            .arg(m.fares, 9)
            .arg(m.purchases, 9)
            .arg(m.charges, 9);
    };
    out = QStringLiteral("month        fares  purchases    charges\n");
    for (const MonthTotals& m : months) out += line(m.month.isEmpty() ? QStringLiteral("undated") : m.month, m);
    return out + line(QStringLiteral("total"), total);
}

QByteArray journeysOutput(const CKuvoraDoc& doc, const CliOptions& options, const QString& format,
                          const QString& nickname) {
    const QString from = dateOrAll(options.from, "0000-01-01"), to = dateOrAll(options.to, "9999-12-31");
    const std::vector<Journey> journeys =
        Journeys(doc.m_History, ClassifyRows(doc.m_nCardType, doc.m_History, doc.m_nRows), from, to);
    if (format == QLatin1String("csv")) return JourneysCsv(journeys);
    if (format == QLatin1String("pdf")) {
        const DrawnFormats* drawing = Drawing();
        return drawing ? drawing->expenseClaim(MakeExpenseClaim(doc, nickname, options.from, options.to, journeys))
                       : QByteArray();
    }
    QString out;
    if (format == QLatin1String("json")) {
        out = QStringLiteral("{") + cardJson(doc) +
              QStringLiteral("\"from\":%1,\"to\":%2,\"journeys\":[")
                  .arg(options.from.isEmpty() ? QStringLiteral("null") : JsonString(options.from),
                       options.to.isEmpty() ? QStringLiteral("null") : JsonString(options.to));
        for (std::size_t i = 0; i < journeys.size(); ++i)
            out += QStringLiteral("%1{\"date\":%2,\"from\":%3,\"to\":%4,\"fare\":%5,\"kind\":%6}")
                       .arg(i ? QStringLiteral(",") : QString(), JsonString(journeys[i].date),
                            JsonString(journeys[i].from), JsonString(journeys[i].to))
                       .arg(journeys[i].fare)
                       .arg(JsonString(JourneyKindName(journeys[i].kind)));
        out += QStringLiteral("],\"total\":%1}\n").arg(JourneysTotal(journeys));
        return out.toUtf8();
    }
    int fromWidth = 4, toWidth = 2;
    for (const Journey& j : journeys) {
        fromWidth = std::max(fromWidth, DisplayWidth(j.from));
        toWidth = std::max(toWidth, DisplayWidth(j.to));
    }
    auto line = [&](const QString& date, const QString& a, const QString& b, const QString& fare) {
        return padded(date, 10) + QStringLiteral("  ") + padded(a, fromWidth) + QStringLiteral("  ") +
               padded(b, toWidth) + QStringLiteral("  ") + padded(fare, 6, true) + QLatin1Char('\n');
    };
    out = line(QStringLiteral("date"), QStringLiteral("from"), QStringLiteral("to"), QStringLiteral("fare"));
    for (const Journey& j : journeys) out += line(j.date, j.from, j.to, QString::number(j.fare));
    out += line(QStringLiteral("total"), QString(), QString(), QString::number(JourneysTotal(journeys)));
    return out.toUtf8();
}

}  // namespace

QString SpendingOptionsError(const CliOptions& options) {
    if (options.summary && options.journeys) return QStringLiteral("--summary and --journeys exclude each other");
    if (!options.summary && !options.journeys) return QStringLiteral("--from and --to belong to --journeys");
    if (options.idm.isEmpty())
        return QStringLiteral("%1 needs --idm").arg(options.summary ? "--summary" : "--journeys");
    if (options.summary && (!options.from.isEmpty() || !options.to.isEmpty()))
        return QStringLiteral("--from and --to belong to --journeys");
    for (const auto& [name, value] : {std::pair{"--from", &options.from}, std::pair{"--to", &options.to}})
        if (!value->isEmpty() && !IsIsoDate(*value))
            return QStringLiteral("%1 %2: expected a date YYYY-MM-DD").arg(QLatin1String(name), *value);
    if (!options.from.isEmpty() && !options.to.isEmpty() && options.from > options.to)
        return QStringLiteral("--from %1 is after --to %2").arg(options.from, options.to);
    const QString format = options.format.isEmpty() ? QStringLiteral("json") : options.format;
    if (format != QLatin1String("json") && format != QLatin1String("table") &&
        (options.summary || (format != QLatin1String("csv") && format != QLatin1String("pdf"))))
        return QStringLiteral("--format %1: expected json, table%2")
            .arg(format, options.summary ? QStringLiteral(" (with --summary)") : QStringLiteral(", csv or pdf"));
    return QString();
}

QByteArray SpendingOutput(const CKuvoraDoc& doc, const CliOptions& options, const QString& nickname) {
    const QString format = options.format.isEmpty() ? QStringLiteral("json") : options.format;
    if (options.summary) return summaryOutput(doc, format == QLatin1String("json")).toUtf8();
    return journeysOutput(doc, options, format, nickname);
}
