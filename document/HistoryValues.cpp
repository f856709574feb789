#include "HistoryValues.h"

#include "CHistoryDisplay.h"

#include <QRegularExpression>


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
    case 5:                        // RapiCa, 長崎スマートカード, LuLuCa: balance and charge only
    case 8:
    case 9: return {false, false, false, false, false, false, false, false, true, true, false, false};
    default: return {};
    }
}

std::optional<qint64> number(const QString& text, int base) {
    bool ok = false;
    const qint64 v = text.trimmed().toLongLong(&ok, base);
    return ok ? std::optional<qint64>(v) : std::nullopt;
}

// "2026年11月28日" or "26年11月28日" (years from 2000) as 2026-11-28.
std::optional<QString> isoDate(const QString& text) {
    static const QRegularExpression re(QStringLiteral("^\\s*(\\d{2}|\\d{4})年(\\d{1,2})月(\\d{1,2})日$"));
    const QRegularExpressionMatch m = re.match(text);
    if (!m.hasMatch()) return std::nullopt;
    int year = m.captured(1).toInt();
    if (m.capturedLength(1) == 2) year += 2000;
    return QStringLiteral("%1-%2-%3")
        .arg(year, 4, 10, QLatin1Char('0'))
        .arg(m.captured(2).toInt(), 2, 10, QLatin1Char('0'))
        .arg(m.captured(3).toInt(), 2, 10, QLatin1Char('0'));
}

// "17時18分" as 17:18, "18時42分05秒" as 18:42:05. Hours past 24 stay: a shop
// that keeps its business day past midnight records 24時12分 on that day.
std::optional<QString> isoTime(const QString& text) {
    static const QRegularExpression re(QStringLiteral("^\\s*(\\d{1,2})時(\\d{1,2})分(?:(\\d{1,2})秒)?$"));
    const QRegularExpressionMatch m = re.match(text);
    if (!m.hasMatch()) return std::nullopt;
    QString t = QStringLiteral("%1:%2")
                    .arg(m.captured(1).toInt(), 2, 10, QLatin1Char('0'))
                    .arg(m.captured(2).toInt(), 2, 10, QLatin1Char('0'));
    if (m.hasCaptured(3)) t += QStringLiteral(":%1").arg(m.captured(3).toInt(), 2, 10, QLatin1Char('0'));
    return t;
}

}  // namespace

HistoryRowValues HistoryRowValuesOf(int cardType, const CHistoryDisplay& history, int row) {
    using namespace history;
    const Fields f = fieldsOf(cardType);
    auto num = [&](bool recorded, int column, int base) {
        return recorded ? number(history.Text(column, row), base) : std::nullopt;
    };
    HistoryRowValues v;
    if (f.date) v.date = isoDate(history.Text(Date, row));
    if (f.time) v.time = isoTime(history.Text(Time, row));
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

QString HistoryValuesJson(int cardType, const CHistoryDisplay& history, int row) {
    const HistoryRowValues v = HistoryRowValuesOf(cardType, history, row);
    QString j = QStringLiteral("{");
    auto key = [&](const char* name) {
        if (j.size() > 1) j += QLatin1String(", ");
        j += QLatin1Char('"') + QLatin1String(name) + QLatin1String("\": ");
    };
    auto text = [&](const char* name, const std::optional<QString>& value) {
        key(name);
        j += value ? QLatin1Char('"') + *value + QLatin1Char('"') : QStringLiteral("null");
    };
    auto num = [&](const char* name, const std::optional<qint64>& value) {
        key(name);
        j += value ? QString::number(*value) : QStringLiteral("null");
    };
    text("date", v.date);
    text("time", v.time);
    num("terminalCode", v.terminalCode);
    num("tradeCode", v.tradeCode);
    num("departureLineCode", v.departureLineCode);
    num("departureStationCode", v.departureStationCode);
    num("arrivalLineCode", v.arrivalLineCode);
    num("arrivalStationCode", v.arrivalStationCode);
    num("balance", v.balance);
    num("charge", v.charge);
    num("point", v.point);
    num("serial", v.serial);
    return j + QLatin1Char('}');
}
