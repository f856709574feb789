#include "HistoryValues.h"

#include "CHistoryDisplay.h"

#include <charconv>


namespace {

// The fields a card type's history blocks record.
struct Fields {
    bool date, time, terminal, trade, departureLine, departureStation, arrivalLine, arrivalStation;
    bool balance, charge, point, serial;
};

Fields fieldsOf(int cardType) {
    //                      date   time   term   trade  depL   depS   arrL   arrS   bal   charge point  serial
    switch (cardType) {
    case 1:                        // the Suica family
    case 2: return {true, true, true, true, true, true, true, true, true, true, false, true};      // IruCa
    case 3: return {true, false, false, false, true, true, true, true, true, true, false, false};  // ICa
    case 4: return {true, false, false, false, true, true, false, false, true, false, true, true};  // せたまる
    case 6:                        // CI-CA and passca: a process code and station codes
    case 11: return {true, false, false, true, false, true, false, true, true, true, false, false};
    case 7: return {true, false, false, false, false, true, false, true, true, true, false, false};  // nice･pass!
    case 10:                       // い～カード, on a card and on a phone
    case 130: return {true, false, false, false, false, false, false, false, true, true, false, false};
    case 128: return {true, true, false, true, false, false, false, false, true, true, false, true};  // Edy
    case 129: return {true, true, false, true, false, false, false, false, true, true, false, false};  // JAL IC
    case 131:                      // nanaco and WAON: the amount the card records
    case 132: return {true, true, false, true, false, false, false, false, true, true, false, false};
    case 5:                        // RapiCa, 長崎スマートカード, LuLuCa: balance and charge only
    case 8:
    case 9: return {false, false, false, false, false, false, false, false, true, true, false, false};
    default: return {};
    }
}

// A decimal or hexadecimal number with optional white space around it and a
// sign; anything else in the text makes it no number.
std::optional<qint64> number(const QString& text, int base) {
    const QChar* p = text.constData();
    const QChar* end = p + text.size();
    while (p != end && p->isSpace()) ++p;
    while (end != p && (end - 1)->isSpace()) --end;
    bool negative = false;
    if (p != end && (p->unicode() == '-' || p->unicode() == '+')) negative = (p++)->unicode() == '-';
    if (p == end) return std::nullopt;
    quint64 value = 0;
    for (; p != end; ++p) {
        const char16_t c = p->unicode();
        int digit = base;
        if (c >= '0' && c <= '9') digit = c - '0';
        else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        if (digit >= base) return std::nullopt;
        value = value * static_cast<unsigned>(base) + static_cast<unsigned>(digit);
        if (value > (quint64(1) << 62)) return std::nullopt;  // far beyond any field of a card
    }
    return negative ? -static_cast<qint64>(value) : static_cast<qint64>(value);
}

// Two digits (or more for a wider number) with leading zeros.
void appendPadded(QString& out, int value, int width) {
    char digits[16];
    const char* end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    for (int n = static_cast<int>(end - digits); n < width; ++n) out += QLatin1Char('0');
    out += QLatin1String(digits, end - digits);
}

// Walks a date or time text: optional white space first, then fields of
// ASCII digits, each followed by its unit character.
struct Scan {
    const QChar* p;
    const QChar* end;
    explicit Scan(const QString& text) : p(text.constData()), end(text.constData() + text.size()) {
        while (p != end && p->isSpace()) ++p;
    }
    // A field of minDigits..maxDigits digits and its unit; `digits` says how
    // many it had.
    bool field(int minDigits, int maxDigits, char16_t unit, int& value, int* digits = nullptr) {
        int n = 0;
        value = 0;
        for (; p != end && n < maxDigits && p->unicode() >= '0' && p->unicode() <= '9'; ++p, ++n)
            value = value * 10 + (p->unicode() - '0');
        if (digits) *digits = n;
        if (n < minDigits || p == end || p->unicode() != unit) return false;
        ++p;
        return true;
    }
    bool atEnd() const { return p == end; }
};

}  // namespace

std::optional<QString> IsoDateOfText(const QString& text) {
    Scan s(text);
    int year = 0, month = 0, day = 0, yearDigits = 0;
    if (!s.field(2, 4, u'年', year, &yearDigits) || yearDigits == 3 || !s.field(1, 2, u'月', month) ||
        !s.field(1, 2, u'日', day) || !s.atEnd())
        return std::nullopt;
    if (yearDigits == 2) year += 2000;
    QString iso;
    iso.reserve(10);
    appendPadded(iso, year, 4);
    iso += QLatin1Char('-');
    appendPadded(iso, month, 2);
    iso += QLatin1Char('-');
    appendPadded(iso, day, 2);
    return iso;
}

std::optional<QString> IsoTimeOfText(const QString& text) {
    Scan s(text);
    int hour = 0, minute = 0, second = 0;
    if (!s.field(1, 2, u'時', hour) || !s.field(1, 2, u'分', minute)) return std::nullopt;
    const bool seconds = !s.atEnd();
    if (seconds && !s.field(1, 2, u'秒', second)) return std::nullopt;
    if (!s.atEnd()) return std::nullopt;
    QString iso;
    iso.reserve(8);
    appendPadded(iso, hour, 2);
    iso += QLatin1Char(':');
    appendPadded(iso, minute, 2);
    if (seconds) {
        iso += QLatin1Char(':');
        appendPadded(iso, second, 2);
    }
    return iso;
}

HistoryRowValues HistoryRowValuesOf(int cardType, const CHistoryDisplay& history, int row) {
    using namespace history;
    const Fields f = fieldsOf(cardType);
    auto num = [&](bool recorded, int column, int base) {
        return recorded ? number(history.Text(column, row), base) : std::nullopt;
    };
    HistoryRowValues v;
    if (f.date) v.date = IsoDateOfText(history.Text(Date, row));
    if (f.time) v.time = IsoTimeOfText(history.Text(Time, row));
    v.terminalCode = num(f.terminal, TerminalCode, 16);
    v.tradeCode = num(f.trade, TradeCode, 16);
    v.departureLineCode = num(f.departureLine, DepartureLineCode, 16);
    v.departureStationCode = num(f.departureStation, DepartureStationCode, 16);
    v.arrivalLineCode = num(f.arrivalLine, ArrivalLineCode, 16);
    v.arrivalStationCode = num(f.arrivalStation, ArrivalStationCode, 16);
    v.balance = num(f.balance, Balance, 10);
    v.charge = num(f.charge, Charge, 10);
    v.point = num(f.point, Point, 10);
    v.serial = num(f.serial, Serial, 10);
    return v;
}
