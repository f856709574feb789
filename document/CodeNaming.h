// Naming a code the station-code tables do not know, in place: the name goes
// into the user's own database (StationCodeUser.db) under the very row the
// card's lookup asks for, and every row that shows that code takes it at
// once: the stored rows in History.db and the rows of the document.
//
// The row a name cell is looked up under comes from the card classes
// themselves (CSFCard::GetNameKey), fed with the row's stored block, so a
// row just read and a row reloaded from History.db give the same key.
#pragma once

#include "CSFCard.h"
#include "StationDbBuilder.h"

#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

class CHistoryDisplay;
class CHistoryTable;
class CKuvoraDoc;

// Decodes stored rows (BlockData hex) with the card class of their card
// type; one card object per type is kept.
class NameKeyFinder {
public:
    NameKeyFinder();
    ~NameKeyFinder();
    NameKeyFinder(const NameKeyFinder&) = delete;
    NameKeyFinder& operator=(const NameKeyFinder&) = delete;

    // None for a card type without a class, a block that is not 32 hex
    // digits, or a cell the card leaves without a lookup.
    std::optional<NameKey> KeyOf(int cardType, int issuerKind, const QString& blockHex, NameSide side);

private:
    std::map<int, std::unique_ptr<CSFCard>> m_Cards;
};

// The lookup of one name cell of display row `row` of the document.
std::optional<NameKey> NameKeyOfRow(const CKuvoraDoc& doc, int row, NameSide side);

// A name given to a key: the place's name and, where the table has them,
// its company's and its line's.
struct GivenName {
    GivenName() = default;
    GivenName(NameKey k, QString place, QString companyName = QString(), QString lineName = QString())
        : key(std::move(k)), name(std::move(place)), company(std::move(companyName)), line(std::move(lineName)) {}

    NameKey key;
    QString name;
    QString company;
    QString line;
};

// The name as a row of the user's database (the key, the company, the
// line, the place; the other texts empty).
StationCsv UserNameRow(const GivenName& given);

// Called now and then while stored rows are named (building the code
// indexes of a large History.db the first time included), so that a window
// can show it is busy. Runs on the caller's thread, inside the write.
using NamingProgress = std::function<void()>;

// Gives every stored row whose departure or arrival cell is looked up under
// one of the keys that cell's names (company and place), in one transaction
// through the table's checked open. Returns the number of cells named, or -1
// with `error` set (nothing changed). A History.db that is not there has no
// rows.
int NameStoredRows(CHistoryTable& table, const std::vector<GivenName>& names, QString& error,
                   const NamingProgress& progress = {});

// The same for the document's display rows; returns the cells named.
int NameDocumentRows(CKuvoraDoc& doc, const GivenName& given);

// The ticket-gate log the document shows looks its station names up again
// (the user's names come first), from the log blocks it holds. Returns the
// names that changed.
int RenameGateLog(CKuvoraDoc& doc);

// All of it: the user's database first (one transaction), then the stored
// rows, then the document's rows and its gate log (when `doc` is given).
enum class NamingResult {
    Named,
    NotWritten,        // the user's database was not written; nothing changed
    StoredRowsFailed,  // the name is the user's, the stored rows are as they were
};
NamingResult GiveName(const GivenName& given, CHistoryTable& table, CKuvoraDoc* doc, QString& error,
                      const NamingProgress& progress = {});

// The names of the user's database rows (as ReadUserNames gives them)
// handed on to the stored rows: what an import does after it has written
// them. Returns the cells named, or -1 with `error`.
int NameStoredRowsFromUserRows(CHistoryTable& table, const std::vector<StationCsv>& rows, QString& error,
                               const NamingProgress& progress = {});

// Names the stored rows after a write of the user's names (`written` as
// WriteUserNames counted it into `overlayPath`): the rows of `names`, or
// every name of the user's database when an earlier write's naming was left
// undone; then the write's mark goes. Returns the cells named, or -1 with
// `error` (the mark stays, and the naming is done again at the next start).
int NameStoredRowsAfterWrite(CHistoryTable& table, const QString& overlayPath, const ImportCount& written,
                             const std::vector<GivenName>& names, QString& error, const NamingProgress& progress = {});

// A naming of the stored rows that a killed process left undone (its mark is
// still in the user's database), done now with every name the user has.
// Returns the cells named (0 when none was pending), or -1 with `error`.
int ResumeStoredNaming(CHistoryTable& table, QString& error, const NamingProgress& progress = {});
// The same, the first time a process asks (before it first shows stored
// rows); a History.db that cannot be written says so where it is read.
void ResumeStoredNamingOnce(CHistoryTable& table);

// The names of such rows, one GivenName per row.
std::vector<GivenName> GivenNamesOf(const std::vector<StationCsv>& rows);

// The document's rows and gate log take the names of such rows; returns the
// cells named.
int NameDocumentRowsFromUserRows(CKuvoraDoc& doc, const std::vector<StationCsv>& rows);
