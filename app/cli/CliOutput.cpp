#include "CliOutput.h"

#include "CKuvoraDoc.h"
#include "HistoryValues.h"

#include <functional>
#include <vector>

namespace {

QString padded(const QString& text, int width, bool right = false) {
    const int fill = std::max(0, width - DisplayWidth(text));
    return right ? QString(fill, QLatin1Char(' ')) + text : text + QString(fill, QLatin1Char(' '));
}

bool isWide(char32_t c) {
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) || (c >= 0x3041 && c <= 0x33FF) ||
           (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xA000 && c <= 0xA4CF) ||
           (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
           (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}

}  // namespace

namespace {

// Appends `text` as a quoted JSON string.
void appendJsonString(QString& out, const QString& text) {
    out += QLatin1Char('"');
    const QChar* run = text.constData();  // characters that need no escape go in whole runs
    const QChar* const end = run + text.size();
    for (const QChar* p = run; p != end; ++p) {
        const char16_t c = p->unicode();
        if (c >= 0x20 && c != '"' && c != '\\') continue;
        out.append(run, p - run);
        run = p + 1;
        switch (c) {
        case '"': out += QLatin1String("\\\""); break;
        case '\\': out += QLatin1String("\\\\"); break;
        case '\n': out += QLatin1String("\\n"); break;
        case '\r': out += QLatin1String("\\r"); break;
        case '\t': out += QLatin1String("\\t"); break;
        default: out += QStringLiteral("\\u%1").arg(int(c), 4, 16, QLatin1Char('0'));
        }
    }
    out.append(run, end - run);
    out += QLatin1Char('"');
}

}  // namespace

QString JsonString(const QString& text) {
    QString out;
    appendJsonString(out, text);
    return out;
}

int DisplayWidth(const QString& text) {
    int width = 0;
    for (char32_t c : text.toUcs4()) width += isWide(c) ? 2 : 1;
    return width;
}

QString DocumentJson(const CKuvoraDoc& doc, const QStringList& messages) {
    using namespace history;
    QString j;
    j.reserve(1024 + doc.m_nRows * 900);  // one row takes about 700 characters
    auto key = [&](const char* name) {
        j += QLatin1String("  \"");
        j += QLatin1String(name);
        j += QLatin1String("\": ");
    };
    auto text = [&](const char* name, const QString& value) {
        key(name);
        appendJsonString(j, value);
        j += QLatin1String(",\n");
    };
    auto number = [&](const char* name, int value) {
        key(name);
        j += QString::number(value);
        j += QLatin1String(",\n");
    };
    j += QLatin1String("{\n");
    text("idm", doc.m_strIDm);
    text("makeDate", doc.m_strMakeDate);
    number("cardType", doc.m_nCardType);
    text("cardTypeName", doc.m_strCardTypeName);
    text("cardNumber", doc.m_strCardNumber);
    text("libraryVersion", doc.m_strLibraryVersion);
    number("cardRows", doc.m_nCardRows);
    number("rows", doc.m_nRows);
    key("gateLog");
    j += QLatin1String("[\n");
    for (int k = 0; k < CKuvoraDoc::kGateLogRows; ++k) {
        j += QLatin1String(k ? ",\n    [" : "    [");
        for (int c = 0; c < CKuvoraDoc::kGateLogColumns; ++c) {
            if (c) j += QLatin1String(", ");
            appendJsonString(j, doc.m_GateLog[k][c]);
        }
        j += QLatin1Char(']');
    }
    j += QLatin1String("\n  ],\n");
    key("history");
    j += QLatin1String(doc.m_nRows > 0 ? "[\n" : "[]");
    // Each column's key as it stands before its value, made once.
    QString keys[ColumnCount];
    for (int c = 0; c < ColumnCount; ++c)
        keys[c] = QLatin1String(c ? ", \"" : "\"") + QLatin1String(ColumnName(c)) + QLatin1String("\": ");
    for (int r = 0; r < doc.m_nRows; ++r) {
        j += QLatin1String(r ? ",\n    {" : "    {");
        for (int c = 0; c < ColumnCount; ++c) {
            j += keys[c];
            if (c == TradeFlags) j += QString::number(doc.m_History.Flags(r));
            else appendJsonString(j, doc.m_History.Text(c, r));
        }
        j += QLatin1String(", \"values\": ");
        j += HistoryValuesJson(doc.m_nCardType, doc.m_History, r);
        j += QLatin1Char('}');
    }
    if (doc.m_nRows > 0) j += QLatin1String("\n  ]");
    j += QLatin1String(",\n");
    key("messages");
    j += QLatin1Char('[');
    for (qsizetype m = 0; m < messages.size(); ++m) {
        if (m) j += QLatin1String(", ");
        appendJsonString(j, messages[m]);
    }
    j += QLatin1String("]\n}\n");
    return j;
}

QString DocumentTable(const CKuvoraDoc& doc) {
    using namespace history;
    QString t;
    t += QStringLiteral("FeliCa 製造番号(IDm): %1%2\n").arg(doc.m_strIDm, doc.m_strMakeDate);
    t += QStringLiteral("SF カードタイプ: %1\n").arg(doc.m_strCardTypeName);
    if (doc.m_nCardType == 128) t += QStringLiteral("Edy No.: %1\n").arg(doc.m_strCardNumber);
    if (doc.m_nCardType == 129) t += QStringLiteral("JMB No.: %1\n").arg(doc.m_strCardNumber);
    for (int k = 0; k < CKuvoraDoc::kGateLogRows; ++k) {
        if (doc.m_GateLog[k][0].isEmpty()) continue;
        QStringList cells;
        for (int c : {2, 1, 3, 4, 5, 6})
            if (!doc.m_GateLog[k][c].isEmpty()) cells << doc.m_GateLog[k][c].trimmed();
        t += QStringLiteral("改札ログ %1: %2\n").arg(k + 1).arg(cells.join(QLatin1Char(' ')));
    }
    t += QStringLiteral("履歴 %1 件 (カードから %2 件)\n").arg(doc.m_nRows).arg(doc.m_nCardRows);
    if (doc.m_nRows == 0) return t;

    struct Col {
        QString title;
        bool right;
        std::function<QString(int)> cell;
    };
    auto text = [&](int column) { return [&doc, column](int r) { return doc.m_History.Text(column, r).trimmed(); }; };
    auto place = [&](int company, int station) {
        return [&doc, company, station](int r) {
            const QString a = doc.m_History.Text(company, r), b = doc.m_History.Text(station, r);
            return a.isEmpty() ? b : b.isEmpty() ? a : a + QLatin1Char(' ') + b;
        };
    };
    const std::vector<Col> cols = {
        {QStringLiteral("#"), true, [](int r) { return QString::number(r + 1); }},
        {QStringLiteral("日付"), false, text(Date)},
        {QStringLiteral("時刻"), false, text(Time)},
        {QStringLiteral("端末"), false, text(Terminal)},
        {QStringLiteral("処理"), false, text(Trade)},
        {QStringLiteral("入場"), false, place(DepartureCompany, DepartureStation)},
        {QStringLiteral("出場"), false, place(ArrivalCompany, ArrivalStation)},
        {QStringLiteral("残高"), true, text(Balance)},
        {QStringLiteral("差額"), true, text(Charge)},
        {QStringLiteral("連番"), true, text(Serial)},
        {QStringLiteral("備考"), false, [&doc](int r) {
             QStringList notes;
             for (int c : {Note1, Note2})
                 if (!doc.m_History.Text(c, r).isEmpty()) notes << doc.m_History.Text(c, r);
             return notes.join(QLatin1Char(' '));
         }},
    };
    std::vector<int> widths;
    for (const Col& c : cols) {
        int w = DisplayWidth(c.title);
        for (int r = 0; r < doc.m_nRows; ++r) w = std::max(w, DisplayWidth(c.cell(r)));
        widths.push_back(w);
    }
    auto line = [&](const std::function<QString(std::size_t)>& cellText) {
        QStringList cells;
        for (std::size_t i = 0; i < cols.size(); ++i) cells << padded(cellText(i), widths[i], cols[i].right);
        QString joined = cells.join(QStringLiteral("  "));
        while (joined.endsWith(QLatin1Char(' '))) joined.chop(1);
        t += joined + QLatin1Char('\n');
    };
    line([&](std::size_t i) { return cols[i].title; });
    for (int r = 0; r < doc.m_nRows; ++r) line([&](std::size_t i) { return cols[i].cell(r); });
    return t;
}
