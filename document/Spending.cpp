#include "Spending.h"

#include "CHistoryDisplay.h"
#include "CKuvoraDoc.h"
#include "CardTypes.h"
#include "CsvCells.h"
#include "HistoryExport.h"
#include "HistoryValues.h"
#include "ShownText.h"
#include "StationCodeSchema.h"

#include <QDate>

#include <algorithm>

#include <map>

namespace {

// How a card type tells the kind of a record.
enum class Rule { SuicaTrades, ProcessCodes, EdyTrades, JalTrades, NanacoTrades, WaonTrades, BalanceSign, ShownBalances, None };

Rule ruleOf(int cardType) {
    switch (cardType) {
    case 1: case 2: return Rule::SuicaTrades;
    case 6: case 11: return Rule::ProcessCodes;
    case 128: return Rule::EdyTrades;
    case 129: return Rule::JalTrades;
    case 131: return Rule::NanacoTrades;
    case 132: return Rule::WaonTrades;
    case 3: case 5: case 7: case 8: case 9: case 10: case 130: return Rule::BalanceSign;
    case 4: return Rule::ShownBalances;
    default: return Rule::None;
    }
}

// The Suica family's trade byte: gate and bus fares, fare adjustments and
// tickets bought with the card; charges at a machine, a gate (auto-charge)
// or a shop till; shop sales, their cancellation (a negative amount) and the
// mixed cash sales. Issue, reissue, bonus and deduction records are other.
SpendKind suicaKind(qint64 trade) {
    switch (trade) {
    case 0x01: case 0x03: case 0x04: case 0x05: case 0x06: case 0x0D: case 0x0F: case 0x13: case 0x23:
    case 0x84: case 0x85:
        return SpendKind::Fare;
    case 0x02: case 0x14: case 0x15: case 0x49: return SpendKind::Charge;
    case 0x46: case 0x4A: case 0x4B: case 0xC6: case 0xCB: return SpendKind::Purchase;
    default: return SpendKind::Other;
    }
}

// The process code of CI-CA and passca: payments, transfers and deductions
// are fares; 積増 is a charge; a new card is other.
SpendKind processKind(qint64 code) {
    switch (code) {
    case 0x52: case 0x53: case 0x57: case 0x58: case 0x5C: case 0x5D: return SpendKind::Fare;
    case 0x59: case 0x79: case 0x7B: return SpendKind::Charge;
    default: return SpendKind::Other;
    }
}

// nanaco: payments; charges by hand, automatic ones and points turned into
// money. A card handed over or newly issued is other.
SpendKind nanacoKind(qint64 trade) {
    switch (trade) {
    case 0x47: return SpendKind::Purchase;
    case 0x5C: case 0x6F: case 0x70: case 0x77: case 0x83: return SpendKind::Charge;
    default: return SpendKind::Other;
    }
}

// WAON: payments; charges by hand and automatic ones (at a purchase or on
// their own). Returns, refunds and point records are other.
SpendKind waonKind(qint64 trade) {
    switch (trade) {
    case 0x04: return SpendKind::Purchase;
    case 0x0C: case 0x10: case 0x1C: case 0x20: case 0x30: return SpendKind::Charge;
    default: return SpendKind::Other;
    }
}

SpendKind signKind(qint64 spent) {
    return spent > 0 ? SpendKind::Fare : spent < 0 ? SpendKind::Charge : SpendKind::Other;
}

bool isEmptyBlock(int cardType, const CHistoryDisplay& history, int row) {
    return IsEmptyHistorySlot(cardType, history.Text(history::BlockData, row));
}

// The Suica family's fares by trade: tickets bought with the card, buses,
// fares adjusted at a machine or a window; the rest are rides.
JourneyKind suicaJourney(qint64 trade) {
    switch (trade) {
    case 0x03: case 0x23: return JourneyKind::Ticket;
    case 0x0D: case 0x0F: return JourneyKind::Bus;
    case 0x04: case 0x05: case 0x84: case 0x85: return JourneyKind::Adjustment;
    default: return JourneyKind::Ride;
    }
}

}  // namespace

std::vector<SpendingRow> ClassifyRows(int cardType, const CHistoryDisplay& history, int rows) {
    rows = std::clamp(rows, 0, CHistoryDisplay::kRows);
    const Rule rule = ruleOf(cardType);
    std::vector<SpendingRow> out;
    for (int row = 0; row < rows; ++row) {
        if (isEmptyBlock(cardType, history, row)) continue;
        const HistoryRowValues v = HistoryRowValuesOf(cardType, history, row);
        SpendingRow r;
        r.row = row;
        if (v.date && IsIsoDate(*v.date)) r.date = *v.date;
        r.balance = v.balance;
        r.trade = history.Text(history::Trade, row).trimmed();
        const qint64 trade = v.tradeCode.value_or(0);
        const qint64 charge = v.charge.value_or(0);
        switch (rule) {
        case Rule::SuicaTrades:
            r.kind = suicaKind(trade);
            r.journey = suicaJourney(trade);
            r.amount = charge;
            break;
        case Rule::ProcessCodes: r.kind = processKind(trade); r.amount = charge; break;
        case Rule::EdyTrades:
            r.kind = trade == 0x20 ? SpendKind::Purchase : trade == 0x02 ? SpendKind::Charge : SpendKind::Other;
            r.amount = charge;
            break;
        case Rule::JalTrades:
            r.kind = trade == 0x06 ? SpendKind::Purchase : trade == 0x19 ? SpendKind::Charge : SpendKind::Other;
            r.amount = charge;
            break;
        case Rule::NanacoTrades: r.kind = nanacoKind(trade); r.amount = charge; break;
        case Rule::WaonTrades: r.kind = waonKind(trade); r.amount = charge; break;
        case Rule::BalanceSign:
            r.kind = signKind(charge);
            r.amount = charge < 0 ? -charge : charge;
            break;
        case Rule::ShownBalances: {
            qint64 spent = 0;
            if (row + 1 < rows && !isEmptyBlock(cardType, history, row + 1) && v.balance) {
                const std::optional<qint64> older = HistoryRowValuesOf(cardType, history, row + 1).balance;
                if (older) spent = *older - *v.balance;
            }
            r.kind = signKind(spent);
            r.amount = spent < 0 ? -spent : spent;
            break;
        }
        case Rule::None: break;
        }
        // The card's first record: the card took the balance before it as 0,
        // right for a charge, but a fare or sale "from 0" that raised the
        // balance is no amount at all.
        const bool spent = r.kind == SpendKind::Fare || r.kind == SpendKind::Purchase;
        if (rule == Rule::SuicaTrades && spent && r.amount < 0) r.amount = 0;
        out.push_back(r);
    }
    return out;
}

std::vector<MonthTotals> MonthlyTotals(const std::vector<SpendingRow>& rows) {
    std::map<QString, MonthTotals> months;
    bool undated = false;
    MonthTotals none;
    for (const SpendingRow& r : rows) {
        if (r.kind == SpendKind::Other) continue;
        MonthTotals& m = r.date.isEmpty() ? none : months[r.date.left(7)];
        if (r.date.isEmpty()) undated = true;
        else m.month = r.date.left(7);
        switch (r.kind) {
        case SpendKind::Fare: m.fares += r.amount; break;
        case SpendKind::Purchase: m.purchases += r.amount; break;
        case SpendKind::Charge: m.charges += r.amount; break;
        case SpendKind::Other: break;
        }
    }
    std::vector<MonthTotals> out;
    for (auto& [key, m] : months) out.push_back(m);
    if (undated) out.push_back(none);
    return out;
}

std::vector<BalancePoint> BalanceSeries(const std::vector<SpendingRow>& rows) {
    std::vector<BalancePoint> out;
    for (auto it = rows.rbegin(); it != rows.rend(); ++it)
        if (it->balance) out.push_back({it->date, *it->balance, it->trade});
    return out;
}

std::vector<Journey> Journeys(const CHistoryDisplay& history, const std::vector<SpendingRow>& rows,
                              const QString& from, const QString& to) {
    std::vector<Journey> out;
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
        if (it->kind != SpendKind::Fare || it->date.isEmpty() || it->date < from || it->date > to) continue;
        // Each journey is an output of names (its table, CSV and text).
        out.push_back({it->date, OutputName(history.Text(history::DepartureStation, it->row).trimmed()),
                       OutputName(history.Text(history::ArrivalStation, it->row).trimmed()), it->amount, it->journey});
    }
    return out;
}

qint64 JourneysTotal(const std::vector<Journey>& journeys) {
    qint64 total = 0;
    for (const Journey& j : journeys) total += j.fare;
    return total;
}

QString JourneyKindText(JourneyKind kind) {
    switch (kind) {
    case JourneyKind::Ticket: return ExpenseClaimText::tr("きっぷ購入");
    case JourneyKind::Bus: return ExpenseClaimText::tr("バス");
    case JourneyKind::Adjustment: return ExpenseClaimText::tr("精算");
    case JourneyKind::Ride: break;
    }
    return ExpenseClaimText::tr("乗車", "a ride through the gates");
}

QString JourneyKindName(JourneyKind kind) {
    switch (kind) {
    case JourneyKind::Ticket: return QStringLiteral("ticket");
    case JourneyKind::Bus: return QStringLiteral("bus");
    case JourneyKind::Adjustment: return QStringLiteral("adjustment");
    case JourneyKind::Ride: break;
    }
    return QStringLiteral("ride");
}

QByteArray JourneysCsv(const std::vector<Journey>& journeys) {
    QString out = QStringLiteral("date,from,to,fare,kind\r\n");
    for (const Journey& j : journeys)
        out += CsvCellLine({j.date, CsvTextCell(j.from), CsvTextCell(j.to), QString::number(j.fare),
                            JourneyKindName(j.kind)});
    // The byte-order mark tells spreadsheet programs the file is UTF-8.
    return QByteArray("\xEF\xBB\xBF") + out.toUtf8();
}

QString JourneysText(const std::vector<Journey>& journeys) {
    QString out = ExpenseClaimText::tr("日付\t種別\t乗車\t降車\t運賃\n");
    for (const Journey& j : journeys)
        out += QStringLiteral("%1\t%2\t%3\t%4\t%5\n").arg(j.date, JourneyKindText(j.kind), j.from, j.to).arg(j.fare);
    return out + ExpenseClaimText::tr("合計\t\t\t\t%1\n").arg(JourneysTotal(journeys));
}

ExpenseClaim MakeExpenseClaim(const CKuvoraDoc& doc, const QString& nickname, const QString& from,
                              const QString& to, std::vector<Journey> journeys) {
    // The card as the user reads it (its Latin form in English).
    ExpenseClaim claim{nickname, ShownText(doc.m_strBrand.isEmpty() ? doc.m_strCardTypeName : doc.m_strBrand),
                       doc.m_strIDm, from, to, std::move(journeys)};
    const auto [first, last] = std::minmax_element(
        claim.journeys.begin(), claim.journeys.end(), [](const Journey& a, const Journey& b) { return a.date < b.date; });
    if (claim.from.isEmpty() && first != claim.journeys.end()) claim.from = first->date;
    if (claim.to.isEmpty() && last != claim.journeys.end()) claim.to = last->date;
    return claim;
}

QString ExpenseClaimCard(const ExpenseClaim& claim) {
    if (claim.nickname.isEmpty()) return claim.cardTypeName;
    if (claim.cardTypeName.isEmpty()) return claim.nickname;
    return ExpenseClaimText::tr("%1（%2）").arg(claim.nickname, claim.cardTypeName);
}

QByteArray ExpenseClaimCsv(const ExpenseClaim& claim) {
    QString out = CsvCellLine({ExpenseClaimText::tr("交通費明細")});
    out += CsvCellLine({ExpenseClaimText::tr("カード"), CsvTextCell(ExpenseClaimCard(claim))});
    out += CsvCellLine({QStringLiteral("IDm"), CsvCodeCell(claim.idm)});
    out += CsvCellLine({ExpenseClaimText::tr("期間"), claim.from, claim.to});
    out += QLatin1String("\r\n");
    out += CsvCellLine({ExpenseClaimText::tr("日付"), ExpenseClaimText::tr("種別"), ExpenseClaimText::tr("乗車"),
                        ExpenseClaimText::tr("降車"), ExpenseClaimText::tr("運賃")});
    for (const Journey& j : claim.journeys)
        out += CsvCellLine({j.date, JourneyKindText(j.kind), CsvTextCell(j.from), CsvTextCell(j.to),
                            QString::number(j.fare)});
    out += CsvCellLine({ExpenseClaimText::tr("合計"), QString(), QString(), QString(),
                        QString::number(JourneysTotal(claim.journeys))});
    return QByteArray("\xEF\xBB\xBF") + out.toUtf8();
}

bool WriteExpenseClaimCsv(const QString& path, const ExpenseClaim& claim) {
    return WriteFileReplacing(path, ExpenseClaimCsv(claim));
}

bool IsIsoDate(const QString& text) {
    // Qt's ISO parse takes any punctuation between the fields ("2026/11/01"),
    // and the ranges are compared as text, so the form is checked first.
    if (text.size() != 10) return false;
    for (int i = 0; i < 10; ++i) {
        const char16_t c = text[i].unicode();
        if (i == 4 || i == 7 ? c != u'-' : (c < u'0' || c > u'9')) return false;
    }
    return QDate::fromString(text, Qt::ISODate).isValid();
}
