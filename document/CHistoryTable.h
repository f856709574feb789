// CHistoryTable: History.db, the per-user store of every history row read.
// Rows are stored per IDm and card type without duplicates, oldest first, and
// a card's stored history reloads newest first, up to 1000 rows.
//
// A file that SQLite cannot vouch for (PRAGMA quick_check) or that has no
// History table is reported and never written, moved or deleted. The check
// runs under the database lock; a file whose size, time and inode are still
// those recorded after Kuvora's own last commit (History.db-checked) is not
// checked again. One merge is one transaction, taken with a write lock, so
// two processes reading the same card at once never store a row twice and a
// crash leaves either none or all of one read's rows.
#pragma once

#include "CHistoryDisplay.h"
#include "DbConnection.h"

#include <QString>

#include <functional>
#include <optional>
#include <set>
#include <string>

class CHistoryTable {
public:
    // History.db under $XDG_DATA_HOME/Mirokaze.
    CHistoryTable();
    explicit CHistoryTable(const QString& path);

    static QString DefaultPath();
    const QString& Path() const { return m_Path; }

    // Stores card rows cardRows-1 down to 0 of `rows` that are not stored yet
    // for this IDm and card type, the issuer kind the card was read with
    // (unless it is -1) and its brand (when given; empty for no brand), in
    // the same transaction.
    void Merge(const QString& idm, int cardType, const CHistoryDisplay& rows, int cardRows, int issuerKind = -1,
               const std::optional<QString>& brand = std::nullopt);
    // The brand last stored for this card, or empty.
    QString Brand(const QString& idm, int cardType);
    // The issuer kind last stored for this card, or -1.
    int IssuerKind(const QString& idm, int cardType);
    // Copies the stored rows of this IDm and card type, newest stored first,
    // into `into` (at most 1000) and returns how many were copied.
    int Reload(const QString& idm, int cardType, CHistoryDisplay& into);
    // Merge, then Reload into `rows`, over one connection: the file is
    // opened, and its schema read, once.
    int MergeAndReload(const QString& idm, int cardType, CHistoryDisplay& rows, int cardRows, int issuerKind = -1,
                       const std::optional<QString>& brand = std::nullopt);

    // Opens the database for writing, creating it (and its folder) when
    // missing; a damaged file is refused.
    DbResult Open(CDbConnection& db);
    // Runs `change` in one write transaction of the checked open, committed
    // when it succeeds and rolled back otherwise; the file is then known as
    // checked, as after a merge. A damaged file is never written: its open
    // failure is returned before `change` runs.
    DbResult Write(const std::function<DbResult(CDbConnection&)>& change);

private:
    enum class Access { Read, Write };
    // Opens and checks the database and leaves a transaction open on `db`:
    // a read one, or one that holds the write lock.
    // A connection already open is used as it is.
    DbResult Begin(CDbConnection& db, Access access);
    void Merge(CDbConnection& db, const QString& idm, int cardType, const CHistoryDisplay& rows, int cardRows,
               int issuerKind, const std::optional<QString>& brand);
    int Reload(CDbConnection& db, const QString& idm, int cardType, CHistoryDisplay& into);
    // Records the file's present state as checked, or forgets it.
    void Vouch();
    void Forget();

    QString m_Path;
    // The state of the file this object last found or left on record: the
    // record beside the file need not be read again while the file has it.
    QByteArray m_Vouched;
    // The tables and indexes a write transaction found ("table CardBrand").
    std::set<std::string> m_Schema;
};

// History table columns, in ordinal order, with their text widths (0 for
// the integer columns).
struct HistoryColumnDef {
    const char* name;
    int width;
};
extern const HistoryColumnDef kHistoryColumns[30];

// Gives `db` the SQL function empty_slot(CardType, BlockData): 1 for a row
// that holds a card's unused slot (IsEmptyHistorySlot), which earlier
// versions stored and which is no record. Every such block begins "00".
bool AddEmptySlotFunction(CDbConnection& db);

// Whether `db` keeps the per-card row counts (the CardRows table and its
// triggers on History); a file opened for writing gets them.
bool HasCardRows(CDbConnection& db);
