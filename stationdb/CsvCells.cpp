#include "CsvCells.h"

#include "StationCodeSchema.h"

namespace {

bool startsFormula(QChar c) {
    return c == u'=' || c == u'+' || c == u'-' || c == u'@' || c == u'\t' || c == u'\r';
}

// Whether the text begins like a formula once its leading apostrophes are
// passed (none needed).
bool formulaAfterApostrophes(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text[i] == u'\'') ++i;
    return i < text.size() && startsFormula(text[i]);
}

QString quoted(const QString& text) {
    QString inner = text;
    inner.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + inner + QLatin1Char('"');
}

}  // namespace

QString CsvField(const QString& text) {
    const bool quote = text.contains(QLatin1Char(',')) || text.contains(QLatin1Char('"')) ||
                       text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'));
    return quote ? quoted(text) : text;
}

QString CsvTextCell(const QString& name) {
    // A control character stored by an earlier version reaches no file raw.
    const QString text = OutputName(name);
    if (!formulaAfterApostrophes(text)) return CsvField(text);
    return quoted(QLatin1Char('\'') + text);
}

QString CsvTextOfCell(const QString& field) {
    if (field.startsWith(QLatin1Char('\'')) && formulaAfterApostrophes(field.mid(1))) return field.mid(1);
    return field;
}

QString CsvCodeCell(const QString& code) {
    QString inner = code;
    inner.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return quoted(QStringLiteral("=\"%1\"").arg(inner));
}

QString CsvCellLine(const QStringList& cells) { return cells.join(QLatin1Char(',')) + QLatin1String("\r\n"); }
