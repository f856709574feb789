#include "ShownText.h"

#include <QRegularExpression>
#include <QStringList>

#include <atomic>
#include <vector>

namespace {

std::atomic<bool> g_japanese{true};

// The manufacturing date the document puts after the IDm.
const char* const kMakeDateShape = QT_TRANSLATE_NOOP("Strings", " (FeliCa製造 %1年%2月%3日)");

// A line's translation, or the line itself when the catalogue lacks it.
QString lookup(const QString& line) {
    return QCoreApplication::translate(kStringsContext, line.toUtf8().constData());
}

struct Shape {
    QRegularExpression pattern;
    const char* source;
};

// Each shape as a pattern: its %1, %2 ... stand for any text.
const std::vector<Shape>& shapes() {
    static const std::vector<Shape> list = [] {
        std::vector<Shape> v;
        for (const char* source : {kHistoryDamagedLine, kHistoryBusyLine, kHistoryReadOnlyLine, kGreenTicketReadFailedLine,
                                   kMakeDateShape}) {
            QString pattern = QRegularExpression::escape(QString::fromUtf8(source));
            static const QRegularExpression place(QStringLiteral("\\\\%(\\d)"));
            pattern.replace(place, QStringLiteral("(.+?)"));
            v.push_back({QRegularExpression(QStringLiteral("^") + pattern + QStringLiteral("$")), source});
        }
        return v;
    }();
    return list;
}

QString shownLine(const QString& line) {
    const QString whole = lookup(line);
    if (whole != line || line.isEmpty()) return whole;
    for (const Shape& shape : shapes()) {
        const QRegularExpressionMatch m = shape.pattern.match(line);
        if (!m.hasMatch()) continue;
        QString shown = QCoreApplication::translate(kStringsContext, shape.source);
        for (int i = m.lastCapturedIndex(); i >= 1; --i)
            shown.replace(QLatin1Char('%') + QString::number(i), m.captured(i));
        return shown;
    }
    // "WHAT 8005000E": the words, then the error code.
    static const QRegularExpression coded(QStringLiteral("^(.*\\S) ([0-9A-Fa-f]+)$"));
    if (const QRegularExpressionMatch m = coded.match(line); m.hasMatch()) {
        const QString words = lookup(m.captured(1));
        if (words != m.captured(1)) return words + QLatin1Char(' ') + m.captured(2);
    }
    return line;
}

}  // namespace

QString ShownText(const QString& text) {
    if (JapaneseUi() || text.isEmpty()) return text;
    if (const QString whole = lookup(text); whole != text) return whole;
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString& line : lines) line = shownLine(line);
    return lines.join(QLatin1Char('\n'));
}

bool JapaneseUi() { return g_japanese.load(std::memory_order_relaxed); }

void SetJapaneseUi(bool japanese) { g_japanese.store(japanese, std::memory_order_relaxed); }
