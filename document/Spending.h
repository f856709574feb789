// What a card's history was spent on: each row classified once by its trade
// (a fare, a purchase, a charge or something else), the totals per month,
// the balance over time and the journeys of a date range for expense claims.
// Works on the document's display rows, a card just read or a stored card
// loaded with LoadStoredHistory alike.
//
// The amount of a row, in yen, always counted positive for the direction of
// its kind (paid out for a fare or purchase, paid in for a charge):
// - the Suica family: the balance difference with the card's next older
//   record, as the card class computes it for the Charge column;
// - CI-CA, passca, Edy, JAL IC, nanaco, WAON: the amount the card itself
//   records;
// - the cards without a trade code: the balance difference, whose sign gives
//   the kind (down: a fare, up: a charge); せたまる records no amount, so the
//   difference of the shown balances is taken.
// A Suica fare or sale recorded first on the card (its balance before it
// unknown, so that the card's difference came out negative) has no known
// amount: 0.
#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QString>

#include <optional>
#include <vector>

class CHistoryDisplay;
class CKuvoraDoc;

enum class SpendKind { Fare, Purchase, Charge, Other };

// What a fare paid for: a ride through the gates, a ticket bought with the
// card, a bus, a fare adjusted at a machine or a window.
enum class JourneyKind { Ride, Ticket, Bus, Adjustment };

struct SpendingRow {
    int row = 0;                     // the display row
    SpendKind kind = SpendKind::Other;
    JourneyKind journey = JourneyKind::Ride;  // for a fare
    QString date;                    // 2026-11-28, empty when the card records none
    qint64 amount = 0;               // yen, see above
    std::optional<qint64> balance;
    QString trade;                   // the row's trade text (支払, 物販, 入金 ...)
};

// The classified records of display rows 0..rows-1, newest first as shown;
// empty blocks are left out.
std::vector<SpendingRow> ClassifyRows(int cardType, const CHistoryDisplay& history, int rows);

struct MonthTotals {
    QString month;  // 2026-11; empty for the rows of a card that records no date
    qint64 fares = 0, purchases = 0, charges = 0;
};

// Oldest month first; the undated rows, if any, last.
std::vector<MonthTotals> MonthlyTotals(const std::vector<SpendingRow>& rows);

struct BalancePoint {
    QString date;  // may be empty
    qint64 balance = 0;
    QString trade;  // the trade of the record that left this balance
};

// The balance after each record, oldest first.
std::vector<BalancePoint> BalanceSeries(const std::vector<SpendingRow>& rows);

struct Journey {
    QString date, from, to;
    qint64 fare = 0;
    JourneyKind kind = JourneyKind::Ride;
};

// The words of the journeys and the expense claim a person reads (titles,
// kinds, the printed claim's labels): Japanese, or the user's language from
// the catalogue installed.
struct ExpenseClaimText {
    Q_DECLARE_TR_FUNCTIONS(ExpenseClaim)
};

// The kind as a person reads it: 乗車, きっぷ購入, バス, 精算.
QString JourneyKindText(JourneyKind kind);
// The kind for programs: ride, ticket, bus, adjustment.
QString JourneyKindName(JourneyKind kind);

// The fares dated within [from, to] (ISO dates, both included), oldest first.
std::vector<Journey> Journeys(const CHistoryDisplay& history, const std::vector<SpendingRow>& rows,
                              const QString& from, const QString& to);
qint64 JourneysTotal(const std::vector<Journey>& journeys);

// For programs: "date,from,to,fare,kind" and one line per journey; UTF-8
// with a byte-order mark, CRLF line ends, fields quoted where they need it
// and names that begin like a formula neutralised.
QByteArray JourneysCsv(const std::vector<Journey>& journeys);
// Tab-separated lines with a header and a closing total line, for the
// clipboard, in the user's language (the names and numbers as they are).
QString JourneysText(const std::vector<Journey>& journeys);

// The journeys of a period as an expense claim: the card, the period, the
// lines and their total.
struct ExpenseClaim {
    QString nickname;      // the name the user gave the card, or empty
    QString cardTypeName;  // "Suica/ICOCA/...", "Edy"
    QString idm;
    QString from, to;      // the period, ISO dates
    std::vector<Journey> journeys;
};
// The claim of the card `doc` shows (its brand, when it has one, for its
// type), named `nickname`, over [from, to]: an empty end is the date of the
// earliest or latest journey.
ExpenseClaim MakeExpenseClaim(const CKuvoraDoc& doc, const QString& nickname, const QString& from,
                              const QString& to, std::vector<Journey> journeys);
// The card as the claim names it: its nickname and type, "通勤用（PASMO）"
// ("commuting (PASMO)" in English).
QString ExpenseClaimCard(const ExpenseClaim& claim);
// The claim as CSV for a spreadsheet: a title line 交通費明細, the card, its
// IDm and the period, then 日付, 種別, 乗車, 降車, 運賃 and one line per
// journey, and a closing 合計 line; dates as dates, fares as numbers, names
// never a formula. A document for a person like the printed claim, its
// words are in the user's language (the card's names and the numbers as
// they are).
QByteArray ExpenseClaimCsv(const ExpenseClaim& claim);
// Writes the claim's CSV through a temporary file that replaces `path` only
// when complete; false (and the file as it was) when it cannot.
bool WriteExpenseClaimCsv(const QString& path, const ExpenseClaim& claim);

// Whether `text` is a real calendar date written YYYY-MM-DD.
bool IsIsoDate(const QString& text);
