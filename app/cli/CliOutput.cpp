#include "CliOutput.h"

#include "CKuvoraDoc.h"
#include "HistoryValues.h"
#include "StationCodeSchema.h"
#include "ShownText.h"

#include <QCoreApplication>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <functional>
#include <string>
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

// Appends `text` as a quoted JSON string in UTF-8, in one pass. A lone
// surrogate becomes what QString::toUtf8 makes of it.
void appendJsonString(std::string& out, QStringView text) {
    const std::size_t old = out.size();
    // At most six bytes a character ("\u001f"), and the quotes.
    out.resize(old + static_cast<std::size_t>(text.size()) * 6 + 2);
    char* d = out.data() + old;
    *d++ = '"';
    const QChar* const end = text.data() + text.size();
    for (const QChar* p = text.data(); p != end; ++p) {
        const char16_t c = p->unicode();
        if (c < 0x80) {
            if (c >= 0x20 && c != '"' && c != '\\') {
                *d++ = static_cast<char>(c);
                continue;
            }
            *d++ = '\\';
            switch (c) {
            case '"': *d++ = '"'; break;
            case '\\': *d++ = '\\'; break;
            case '\n': *d++ = 'n'; break;
            case '\r': *d++ = 'r'; break;
            case '\t': *d++ = 't'; break;
            default: {
                static const char digits[] = "0123456789abcdef";
                d = std::copy_n("u00", 3, d);
                *d++ = digits[c >> 4];
                *d++ = digits[c & 0xF];
            }
            }
        } else if (c < 0x800) {
            *d++ = static_cast<char>(0xC0 | (c >> 6));
            *d++ = static_cast<char>(0x80 | (c & 0x3F));
        } else if (!QChar::isSurrogate(c)) {
            *d++ = static_cast<char>(0xE0 | (c >> 12));
            *d++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            *d++ = static_cast<char>(0x80 | (c & 0x3F));
        } else if (QChar::isHighSurrogate(c) && p + 1 != end && (p + 1)->isLowSurrogate()) {
            const char32_t u = QChar::surrogateToUcs4(c, (++p)->unicode());
            *d++ = static_cast<char>(0xF0 | (u >> 18));
            *d++ = static_cast<char>(0x80 | ((u >> 12) & 0x3F));
            *d++ = static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            *d++ = static_cast<char>(0x80 | (u & 0x3F));
        } else {
            const QByteArray odd = QStringView(p, 1).toUtf8();
            d = std::copy(odd.begin(), odd.end(), d);
        }
    }
    *d++ = '"';
    out.resize(static_cast<std::size_t>(d - out.data()));
}

void appendNumber(std::string& out, qint64 value) {
    char buf[24];
    const auto end = std::to_chars(buf, buf + sizeof buf, value).ptr;
    out.append(buf, static_cast<std::size_t>(end - buf));
}

// The context of the table's labels in the translation catalogue.
struct TableText {
    Q_DECLARE_TR_FUNCTIONS(DocumentTable)
};

}  // namespace

QString JsonString(const QString& text) {
    std::string out;
    appendJsonString(out, text);
    return QString::fromUtf8(out.data(), static_cast<qsizetype>(out.size()));
}

int DisplayWidth(const QString& text) {
    int width = 0;
    for (char32_t c : text.toUcs4()) width += isWide(c) ? 2 : 1;
    return width;
}

QByteArray DocumentJson(const CKuvoraDoc& doc, const QStringList& messages) {
    using namespace history;
    std::string j;
    j.reserve(1024 + static_cast<std::size_t>(doc.m_nRows) * 1400);  // one row takes about 1,000 bytes
    auto key = [&](const char* name) {
        j += "  \"";
        j += name;
        j += "\": ";
    };
    auto text = [&](const char* name, const QString& value) {
        key(name);
        appendJsonString(j, value);
        j += ",\n";
    };
    auto number = [&](const char* name, int value) {
        key(name);
        appendNumber(j, value);
        j += ",\n";
    };
    j += "{\n";
    text("idm", doc.m_strIDm);
    text("makeDate", doc.m_strMakeDate);
    number("cardType", doc.m_nCardType);
    text("cardTypeName", doc.m_strCardTypeName);
    key("brand");
    if (doc.m_strBrand.isEmpty()) j += "null";
    else appendJsonString(j, doc.m_strBrand);
    j += ",\n";
    text("cardNumber", doc.m_strCardNumber);
    text("libraryVersion", doc.m_strLibraryVersion);
    number("cardRows", doc.m_nCardRows);
    number("rows", doc.m_nRows);
    key("gateLog");
    j += "[\n";
    for (int k = 0; k < CKuvoraDoc::kGateLogRows; ++k) {
        j += k ? ",\n    [" : "    [";
        for (int c = 0; c < CKuvoraDoc::kGateLogColumns; ++c) {
            if (c) j += ", ";
            appendJsonString(j, doc.m_GateLog[k][c]);
        }
        j += ']';
    }
    j += "\n  ],\n";
    key("history");
    j += doc.m_nRows > 0 ? "[\n" : "[]";
    // Each column's key as it stands before its value, made once.
    std::string keys[ColumnCount];
    for (int c = 0; c < ColumnCount; ++c) keys[c] = std::string(c ? ", \"" : "\"") + ColumnName(c) + "\": ";
    // The values' keys and texts are ASCII.
    static const char* const valueKeys[] = {
        "{\"date\": ", ", \"time\": ", ", \"terminalCode\": ", ", \"tradeCode\": ",
        ", \"departureLineCode\": ", ", \"departureStationCode\": ", ", \"arrivalLineCode\": ",
        ", \"arrivalStationCode\": ", ", \"balance\": ", ", \"charge\": ", ", \"point\": ", ", \"serial\": ",
    };
    for (int r = 0; r < doc.m_nRows; ++r) {
        j += r ? ",\n    {" : "    {";
        for (int c = 0; c < ColumnCount; ++c) {
            j += keys[c];
            if (c == TradeFlags) appendNumber(j, doc.m_History.Flags(r));
            else appendJsonString(j, doc.m_History.Text(c, r));
        }
        j += ", \"values\": ";
        const HistoryRowValues v = HistoryRowValuesOf(doc.m_nCardType, doc.m_History, r);
        const char* const* valueKey = valueKeys;
        for (const auto* field : {&v.date, &v.time}) {
            j += *valueKey++;
            if (*field) appendJsonString(j, **field);
            else j += "null";
        }
        for (const auto* field : {&v.terminalCode, &v.tradeCode, &v.departureLineCode, &v.departureStationCode,
                                  &v.arrivalLineCode, &v.arrivalStationCode, &v.balance, &v.charge, &v.point,
                                  &v.serial}) {
            j += *valueKey++;
            if (*field) appendNumber(j, **field);
            else j += "null";
        }
        j += "}}";
    }
    if (doc.m_nRows > 0) j += "\n  ]";
    j += ",\n";
    key("messages");
    j += '[';
    for (qsizetype m = 0; m < messages.size(); ++m) {
        if (m) j += ", ";
        appendJsonString(j, messages[m]);
    }
    j += "]\n}\n";
    return QByteArray(j.data(), static_cast<qsizetype>(j.size()));
}

QString DocumentTable(const CKuvoraDoc& doc) {
    using namespace history;
    // Labels and the document's own texts in the user's language; the card's
    // data as it is.
    QString t;
    t += TableText::tr("FeliCa 製造番号(IDm): %1%2\n").arg(doc.m_strIDm, ShownText(doc.m_strMakeDate));
    const QString typeName = ShownText(doc.m_strCardTypeName);
    t += TableText::tr("SF カードタイプ: %1\n")
             .arg(doc.m_strBrand.isEmpty() ? typeName
                                           : TableText::tr("%1（%2）").arg(typeName, ShownText(doc.m_strBrand)));
    if (doc.m_nCardType == 128) t += QStringLiteral("Edy No.: %1\n").arg(doc.m_strCardNumber);
    if (doc.m_nCardType == 129) t += QStringLiteral("JMB No.: %1\n").arg(doc.m_strCardNumber);
    if (doc.m_nCardType == 131) t += QStringLiteral("nanaco No.: %1\n").arg(doc.m_strCardNumber);
    if (doc.m_nCardType == 132) t += QStringLiteral("WAON No.: %1\n").arg(doc.m_strCardNumber);
    for (int k = 0; k < CKuvoraDoc::kGateLogRows; ++k) {
        if (doc.m_GateLog[k][0].isEmpty()) continue;
        QStringList cells;
        for (int c : {2, 1, 3, 4, 5, 6})
            if (!doc.m_GateLog[k][c].isEmpty()) cells << OutputName(doc.m_GateLog[k][c].trimmed());
        t += TableText::tr("改札ログ %1: %2\n").arg(k + 1).arg(cells.join(QLatin1Char(' ')));
    }
    t += TableText::tr("履歴 %1 件 (カードから %2 件)\n").arg(doc.m_nRows).arg(doc.m_nCardRows);
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
        {TableText::tr("日付"), false, text(Date)},
        {TableText::tr("時刻"), false, text(Time)},
        {TableText::tr("端末"), false, text(Terminal)},
        {TableText::tr("処理"), false, text(Trade)},
        {TableText::tr("入場"), false, place(DepartureCompany, DepartureStation)},
        {TableText::tr("出場"), false, place(ArrivalCompany, ArrivalStation)},
        {TableText::tr("残高"), true, text(Balance)},
        {TableText::tr("差額"), true, text(Charge)},
        {TableText::tr("連番"), true, text(Serial)},
        {TableText::tr("備考"), false, [&doc](int r) {
             QStringList notes;
             for (int c : {Note1, Note2})
                 if (!doc.m_History.Text(c, r).isEmpty()) notes << doc.m_History.Text(c, r);
             return notes.join(QLatin1Char(' '));
         }},
    };
    // Names stored by an earlier version may hold control characters: none
    // reaches the terminal (OutputName makes each a space).
    std::vector<std::vector<QString>> shown(cols.size());
    std::vector<int> widths;
    for (std::size_t i = 0; i < cols.size(); ++i) {
        int w = DisplayWidth(cols[i].title);
        for (int r = 0; r < doc.m_nRows; ++r) {
            shown[i].push_back(OutputName(cols[i].cell(r)));
            w = std::max(w, DisplayWidth(shown[i].back()));
        }
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
    for (int r = 0; r < doc.m_nRows; ++r) line([&](std::size_t i) { return shown[i][static_cast<std::size_t>(r)]; });
    return t;
}
