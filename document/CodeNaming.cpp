#include "CodeNaming.h"

#include "CHistoryTable.h"
#include "CKuvoraDoc.h"
#include "CardTypes.h"
#include "CDbLookup.h"
#include "StationDatabasePaths.h"

#include <QFileInfo>
#include <QStringList>

#include <sqlite3.h>

#include <cctype>
#include <set>
#include <utility>

namespace {

// The display columns and the History columns of a side's names.
struct SideColumns {
    int company, place;
    const char* storedCompany;
    const char* storedPlace;
};

SideColumns columnsOf(NameSide side) {
    using namespace history;
    return side == NameSide::Departure ? SideColumns{DepartureCompany, DepartureStation, "ACompanyName", "AStationName"}
                                       : SideColumns{ArrivalCompany, ArrivalStation, "PCompanyName", "PStationName"};
}

// The width of the History name columns (ACompanyName, AStationName, ...).
constexpr int kNameWidth = 255;

constexpr NameSide kSides[] = {NameSide::Departure, NameSide::Arrival};

QString hexCode(int value) { return QString::asprintf("%02X", static_cast<unsigned>(value)); }

// The line and station code texts a row whose cell is looked up under `key`
// shows (as the document formats them), on whichever side: the stored rows
// are found by them through an index, then each is decoded to make sure.
std::pair<QString, QString> codeTextsOf(const NameKey& key) {
    const QLatin1String table(key.table->name);
    const std::vector<int>& v = key.values;
    if (table == QLatin1String("StationCode")) return {hexCode(v[1]), hexCode(v[2])};
    if (table == QLatin1String("ShopCode")) return {hexCode(v[2]), hexCode(v[3])};
    if (table == QLatin1String("BusCode")) return {hexCode(v[0] >> 8), hexCode(v[0] & 0xFF)};
    if (table == QLatin1String("ICaCode")) return {hexCode(v[0]), hexCode(v[1])};
    return {hexCode(0), hexCode(v[1])};  // the cards that record a station code only
}

bool validKey(const NameKey& key) {
    return key.table && key.values.size() == static_cast<std::size_t>(key.table->keyColumns);
}

// Stored rows are found by their code columns: an index of our own on each
// side's pair (the History table itself stays as it is).
const char* const kCodeIndexSql =
    "CREATE INDEX IF NOT EXISTS HistoryByDepartureCode ON History (ALineCode, AStationCode);"
    "CREATE INDEX IF NOT EXISTS HistoryByArrivalCode ON History (PLineCode, PStationCode)";

const char* const kCandidateSql =
    "SELECT Sequential, IDm, CardType, BlockData FROM History WHERE ALineCode = ?1 AND AStationCode = ?2 "
    "UNION ALL "
    "SELECT Sequential, IDm, CardType, BlockData FROM History WHERE PLineCode = ?1 AND PStationCode = ?2";

// While it lives, SQLite calls `progress` every so many virtual machine
// steps on `db` (a CREATE INDEX over a million rows is one statement).
class ProgressGuard {
public:
    ProgressGuard(CDbConnection& db, const NamingProgress& progress) : m_db(progress ? db.Handle() : nullptr) {
        if (m_db) sqlite3_progress_handler(m_db, kStepsPerPulse, &ProgressGuard::pulse, const_cast<NamingProgress*>(&progress));
    }
    ~ProgressGuard() {
        if (m_db) sqlite3_progress_handler(m_db, 0, nullptr, nullptr);
    }
    ProgressGuard(const ProgressGuard&) = delete;
    ProgressGuard& operator=(const ProgressGuard&) = delete;

private:
    static constexpr int kStepsPerPulse = 200000;
    static int pulse(void* progress) {
        (*static_cast<const NamingProgress*>(progress))();
        return 0;  // never interrupts
    }
    sqlite3* m_db;
};

// The issuer kind of every card that has one recorded.
DbResult readIssuerKinds(CDbConnection& db, std::map<std::pair<QString, int>, int>& kinds) {
    CDbStatement q;
    DbResult r = q.Prepare(db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'CardIssuer'");
    if (DbFailed(r) || DbFailed(r = q.Step())) return r;
    if (r != DB_OK) return DB_OK;
    q.Finalize();
    if (DbFailed(r = q.Prepare(db, "SELECT IDm, CardType, IssuerKind FROM CardIssuer"))) return r;
    while ((r = q.Step()) == DB_OK) kinds[{q.Text(0), static_cast<int>(q.Integer(1))}] = static_cast<int>(q.Integer(2));
    return DbFailed(r) ? r : DB_OK;
}

}  // namespace

NameKeyFinder::NameKeyFinder() = default;
NameKeyFinder::~NameKeyFinder() = default;

std::optional<NameKey> NameKeyFinder::KeyOf(int cardType, int issuerKind, const QString& blockHex, NameSide side) {
    if (blockHex.size() != 32) return std::nullopt;
    const QByteArray latin = blockHex.toLatin1();
    for (char c : latin)
        if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
    const QByteArray block = QByteArray::fromHex(latin);
    auto found = m_Cards.find(cardType);
    if (found == m_Cards.end()) found = m_Cards.emplace(cardType, CreateCard(cardType)).first;
    CSFCard* card = found->second.get();
    if (!card || !card->SetHistoryBlock(0, reinterpret_cast<const std::uint8_t*>(block.constData())))
        return std::nullopt;
    card->SetIssuerKind(issuerKind);
    return card->GetNameKey(0, side);
}

std::optional<NameKey> NameKeyOfRow(const CKuvoraDoc& doc, int row, NameSide side) {
    if (row < 0 || row >= doc.m_nRows || row >= CHistoryDisplay::kRows) return std::nullopt;
    NameKeyFinder finder;
    return finder.KeyOf(doc.m_nCardType, doc.m_nIssuerKind, doc.m_History.Text(history::BlockData, row), side);
}

StationCsv UserNameRow(const GivenName& given) {
    StationCsv csv;
    csv.table = given.key.table;
    QStringList row;
    const TableDef& t = *given.key.table;
    for (std::size_t i = 0; i < t.columns.size(); ++i) {
        const char* name = t.columns[i].name;
        if (static_cast<int>(i) < t.keyColumns) row << QString::number(given.key.values[i]);
        else if (name == CompanyColumn(t)) row << given.company;
        else if (name == LineColumn(t)) row << given.line;
        else if (name == PlaceColumn(t)) row << given.name;
        else row << QString();
    }
    csv.rows.push_back(row);
    return csv;
}

int NameStoredRows(CHistoryTable& table, const std::vector<GivenName>& names, QString& error,
                   const NamingProgress& progress) {
    for (const GivenName& g : names)
        if (!validKey(g.key)) {
            error = QStringLiteral("not a key of a station-code table");
            return -1;
        }
    if (names.empty() || !QFileInfo::exists(table.Path())) return 0;
    int named = 0;
    const DbResult r = table.Write([&](CDbConnection& db) {
        const ProgressGuard pulse(db, progress);
        DbResult r = db.Execute(kCodeIndexSql);
        std::map<std::pair<QString, int>, int> issuerKinds;
        if (DbFailed(r) || DbFailed(r = readIssuerKinds(db, issuerKinds))) return r;
        CDbStatement candidates, update[2];
        if (DbFailed(r = candidates.Prepare(db, kCandidateSql))) return r;
        for (NameSide side : kSides) {
            const SideColumns c = columnsOf(side);
            const QByteArray sql = QStringLiteral("UPDATE History SET %1 = ?, %2 = ? WHERE Sequential = ?")
                                       .arg(QLatin1String(c.storedCompany), QLatin1String(c.storedPlace))
                                       .toUtf8();
            if (DbFailed(r = update[static_cast<int>(side)].Prepare(db, sql.constData()))) return r;
        }
        NameKeyFinder finder;
        for (const GivenName& given : names) {
            if (progress) progress();
            const auto [line, station] = codeTextsOf(given.key);
            candidates.Reset();
            candidates.Bind(1, line);
            candidates.Bind(2, station);
            struct Row {
                std::int64_t sequential;
                QString idm, block;
                int cardType;
            };
            std::vector<Row> rows;
            std::set<std::int64_t> seen;
            while ((r = candidates.Step()) == DB_OK)
                if (seen.insert(candidates.Integer(0)).second)
                    rows.push_back({candidates.Integer(0), candidates.Text(1), candidates.Text(3),
                                    static_cast<int>(candidates.Integer(2))});
            if (DbFailed(r)) return r;
            for (const Row& row : rows) {
                const auto kind = issuerKinds.find({row.idm, row.cardType});
                const int issuer = kind == issuerKinds.end() ? -1 : kind->second;
                for (NameSide side : kSides) {
                    if (finder.KeyOf(row.cardType, issuer, row.block, side) != given.key) continue;
                    CDbStatement& u = update[static_cast<int>(side)];
                    u.Reset();
                    u.Bind(1, CutToWidth(given.company, kNameWidth));
                    u.Bind(2, CutToWidth(given.name, kNameWidth));
                    u.Bind(3, row.sequential);
                    if (DbFailed(r = u.Step())) return r;
                    ++named;
                }
            }
        }
        return DB_OK;
    });
    if (DbFailed(r)) {
        error = QStringLiteral("%1: the stored history was not changed (%2)")
                    .arg(table.Path())
                    .arg(static_cast<std::uint32_t>(r), 0, 16);
        return -1;
    }
    return named;
}

int NameDocumentRows(CKuvoraDoc& doc, const GivenName& given) {
    NameKeyFinder finder;
    int named = 0;
    const int rows = std::min(doc.m_nRows, CHistoryDisplay::kRows);
    for (int row = 0; row < rows; ++row) {
        const QString block = doc.m_History.Text(history::BlockData, row);
        for (NameSide side : kSides) {
            if (finder.KeyOf(doc.m_nCardType, doc.m_nIssuerKind, block, side) != given.key) continue;
            const SideColumns c = columnsOf(side);
            doc.m_History.SetText(c.company, row, given.company);
            doc.m_History.SetText(c.place, row, given.name);
            ++named;
        }
    }
    return named;
}

NamingResult GiveName(const GivenName& given, CHistoryTable& table, CKuvoraDoc* doc, QString& error,
                      const NamingProgress& progress) {
    if (!validKey(given.key)) {
        error = QStringLiteral("not a key of a station-code table");
        return NamingResult::NotWritten;
    }
    if (CharacterCount(given.name) > kMaxColumnText || CharacterCount(given.company) > kMaxColumnText ||
        CharacterCount(given.line) > kMaxColumnText) {
        error = QStringLiteral("a name is at most %1 characters").arg(kMaxColumnText);
        return NamingResult::NotWritten;
    }
    QStringList errors;
    ImportCount written;
    const QString overlay = UserStationCodeDatabasePath();
    if (!WriteUserNames(overlay, {UserNameRow(given)}, errors, &written)) {
        error = errors.join(QLatin1Char('\n'));
        return NamingResult::NotWritten;
    }
    // The name is the user's now; the rows that show the code follow it.
    const bool stored = NameStoredRowsAfterWrite(table, overlay, written, {given}, error, progress) >= 0;
    if (doc) {
        NameDocumentRows(*doc, given);
        RenameGateLog(*doc);
    }
    return stored ? NamingResult::Named : NamingResult::StoredRowsFailed;
}

std::vector<GivenName> GivenNamesOf(const std::vector<StationCsv>& rows) {
    std::vector<GivenName> names;
    for (const StationCsv& csv : rows) {
        if (!csv.table) continue;
        const TableDef& t = *csv.table;
        int company = -1, place = -1, line = -1;
        for (std::size_t i = 0; i < t.columns.size(); ++i) {
            if (t.columns[i].name == CompanyColumn(t)) company = static_cast<int>(i);
            if (t.columns[i].name == PlaceColumn(t)) place = static_cast<int>(i);
            if (t.columns[i].name == LineColumn(t)) line = static_cast<int>(i);
        }
        for (const QStringList& row : csv.rows) {
            GivenName g;
            g.key.table = &t;
            for (int i = 0; i < t.keyColumns; ++i) g.key.values.push_back(row.value(i).toInt());
            g.company = row.value(company);
            g.name = row.value(place);
            g.line = row.value(line);
            names.push_back(g);
        }
    }
    return names;
}

int NameStoredRowsAfterWrite(CHistoryTable& table, const QString& overlayPath, const ImportCount& written,
                             const std::vector<GivenName>& names, QString& error, const NamingProgress& progress) {
    int named = 0;
    if (written.earlierNamingPending) {
        std::vector<StationCsv> all;
        if (!ReadUserNames(overlayPath, QString(), all, error)) return -1;
        named = NameStoredRows(table, GivenNamesOf(all), error, progress);
    } else {
        named = NameStoredRows(table, names, error, progress);
    }
    if (named < 0) return -1;
    // A mark that cannot be taken away only has the naming done once more.
    QString ignored;
    ClearHistoryNaming(overlayPath, written.namingMark, ignored);
    return named;
}

int ResumeStoredNaming(CHistoryTable& table, QString& error, const NamingProgress& progress) {
    const QString overlay = UserStationCodeDatabasePath();
    ImportCount pending;
    if (!PendingHistoryNaming(overlay, pending.namingMark, error)) return -1;
    if (pending.namingMark == 0) return 0;
    pending.earlierNamingPending = true;
    return NameStoredRowsAfterWrite(table, overlay, pending, {}, error, progress);
}

void ResumeStoredNamingOnce(CHistoryTable& table) {
    static bool resumed = false;
    if (std::exchange(resumed, true)) return;
    QString ignored;
    ResumeStoredNaming(table, ignored);
}

int NameStoredRowsFromUserRows(CHistoryTable& table, const std::vector<StationCsv>& rows, QString& error,
                               const NamingProgress& progress) {
    return NameStoredRows(table, GivenNamesOf(rows), error, progress);
}

int NameDocumentRowsFromUserRows(CKuvoraDoc& doc, const std::vector<StationCsv>& rows) {
    // Each row's keys are found once, whatever the number of names.
    std::map<std::pair<const TableDef*, std::vector<int>>, GivenName> names;
    for (const GivenName& given : GivenNamesOf(rows))
        if (validKey(given.key)) names[{given.key.table, given.key.values}] = given;
    NameKeyFinder finder;
    int named = 0;
    const int shown = std::min(doc.m_nRows, CHistoryDisplay::kRows);
    for (int row = 0; row < shown && !names.empty(); ++row) {
        const QString block = doc.m_History.Text(history::BlockData, row);
        for (NameSide side : kSides) {
            const std::optional<NameKey> key = finder.KeyOf(doc.m_nCardType, doc.m_nIssuerKind, block, side);
            if (!key) continue;
            const auto found = names.find({key->table, key->values});
            if (found == names.end()) continue;
            const SideColumns c = columnsOf(side);
            doc.m_History.SetText(c.company, row, found->second.company);
            doc.m_History.SetText(c.place, row, found->second.name);
            ++named;
        }
    }
    RenameGateLog(doc);
    return named;
}

int RenameGateLog(CKuvoraDoc& doc) {
    // Only the Suica family keeps a gate log.
    if (doc.m_nCardType != 1) return 0;
    std::unique_ptr<CSFCard> card = CreateCard(doc.m_nCardType);
    if (!card) return 0;
    card->SetIssuerKind(doc.m_nIssuerKind);
    const StationLookupBatch names;
    int changed = 0;
    for (int k = 0; k < CKuvoraDoc::kGateLogRows; ++k) {
        auto& line = doc.m_GateLog[k];
        const QByteArray latin = line[0].toLatin1();
        if (latin.size() != 32) continue;
        bool hex = true;
        for (char c : latin) hex = hex && std::isxdigit(static_cast<unsigned char>(c));
        const QByteArray block = QByteArray::fromHex(latin);
        if (!hex || !card->SetTicketBarrierLogBlock(k, reinterpret_cast<const std::uint8_t*>(block.constData())))
            continue;
        const QString station = card->GetTicketBarrierLogStation(k);
        changed += station != line[3];
        line[3] = station;
        if (!line[5].isEmpty()) {  // a near station only where the log records one
            const QString near = card->GetTicketBarrierLogNearStation(k);
            changed += near != line[5];
            line[5] = near;
        }
    }
    return changed;
}
