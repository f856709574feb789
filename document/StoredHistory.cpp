#include "StoredHistory.h"

#include "CHistoryTable.h"
#include "CodeNaming.h"
#include "CKuvoraDoc.h"
#include "CSFCard.h"
#include "CardTypes.h"

#include <QFileInfo>

#include <algorithm>
#include <cctype>
#include <memory>

namespace {

bool hasTable(CDbConnection& db, const char* name) {
    CDbStatement q;
    if (DbFailed(q.Prepare(db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?"))) return false;
    q.Bind(1, QString::fromLatin1(name));
    return q.Step() == DB_OK;
}

// One query, whatever the database's size: with the per-card counts, each
// card's newest and oldest rows come from the (IDm, CardType, Sequential)
// index and the unused slots an earlier version stored (all beginning "00")
// from the (IDm, CardType, BlockData) one; a file never opened for writing by
// this version is counted whole. Neither counts nor dates take such a slot,
// and a card that holds nothing else is not listed.
QByteArray listingSql(bool counted, bool nicknames, bool brands, bool onlyOne) {
    const QByteArray nickname = QByteArray(nicknames ? ", k.Nickname" : ", NULL") + (brands ? ", b.Brand" : ", NULL");
    const QByteArray join =
        QByteArray(nicknames ? " LEFT JOIN CardNickname k ON k.IDm = c.IDm AND k.CardType = c.CardType" : "") +
        (brands ? " LEFT JOIN CardBrand b ON b.IDm = c.IDm AND b.CardType = c.CardType" : "");
    if (counted) {
        const QByteArray card = " FROM History WHERE IDm = c.IDm AND CardType = c.CardType";
        auto row = [&card](const char* what, const char* order) {
            return QByteArray("(SELECT ") + what + card + " AND NOT empty_slot(CardType, BlockData) ORDER BY Sequential " +
                   order + " LIMIT 1)";
        };
        const QByteArray rows = "c.Rows - (SELECT COUNT(*)" + card +
                                " AND BlockData >= '00' AND BlockData < '01' AND empty_slot(CardType, BlockData))";
        return "SELECT * FROM (SELECT c.IDm, c.CardType, " + rows + " AS n, " + row("Date", "DESC") + ", " +
               row("Date", "ASC") + ", " + row("Sequential", "DESC") + " AS s" +
               nickname + " FROM CardRows c" + join + (onlyOne ? " WHERE c.IDm = ?" : "") +
               ") WHERE n > 0 ORDER BY s DESC";
    }
    return "SELECT c.IDm, c.CardType, g.n, c.Date, f.Date, g.s" + nickname +
           " FROM (SELECT MIN(Sequential) AS a, MAX(Sequential) AS s, COUNT(*) AS n FROM History "
           "WHERE NOT empty_slot(CardType, BlockData) " +
           (onlyOne ? "AND IDm = ? " : "") +
           "GROUP BY IDm, CardType) g JOIN History c ON c.Sequential = g.s JOIN History f ON f.Sequential = g.a" +
           join + " ORDER BY g.s DESC";
}

}  // namespace

bool ListStoredCards(CHistoryTable& table, std::vector<StoredCard>& cards, QString& error, const QString& only) {
    cards.clear();
    if (!QFileInfo::exists(table.Path())) return true;
    CDbConnection db;
    // Opened for writing though only read: a read killed inside its commit
    // leaves a hot journal, which SQLite rolls back on opening and which a
    // read-only connection refuses ("cannot open"). A file this user may not
    // write is opened read-only all the same.
    DbResult r = db.Open(table.Path(), CDbConnection::Mode::ReadWrite);
    CDbStatement q;
    if (DbFailed(r) || !AddEmptySlotFunction(db) || DbFailed(r = db.Execute("BEGIN")) ||
        DbFailed(r = q.Prepare(db, listingSql(HasCardRows(db), hasTable(db, "CardNickname"), hasTable(db, "CardBrand"),
                                              !only.isEmpty()).constData()))) {
        error = db.IsOpen() ? db.LastError() : QStringLiteral("cannot open %1").arg(table.Path());
        return false;
    }
    if (!only.isEmpty()) q.Bind(1, only);
    while ((r = q.Step()) == DB_OK)
        cards.push_back({q.Text(0), static_cast<int>(q.Integer(1)), static_cast<int>(q.Integer(2)), q.Text(3),
                         q.Text(4), q.Text(6), q.Text(7)});
    if (r != DB_S_ENDOFROWSET) {
        error = db.LastError();
        return false;
    }
    return true;
}

bool SetCardNickname(CHistoryTable& table, const QString& idm, int cardType, const QString& nickname,
                     QString& error) {
    if (!QFileInfo::exists(table.Path())) {
        error = QStringLiteral("%1 holds no stored cards").arg(table.Path());
        return false;
    }
    const QString name = nickname.trimmed();
    QString failed;
    const DbResult r = table.Write([&](CDbConnection& db) {
        DbResult rc = db.Execute("CREATE TABLE IF NOT EXISTS CardNickname (IDm TEXT NOT NULL, CardType INTEGER NOT NULL, "
                                "Nickname TEXT NOT NULL, PRIMARY KEY (IDm, CardType))");
        CDbStatement q;
        if (DbFailed(rc) ||
            DbFailed(rc = q.Prepare(db, name.isEmpty() ? "DELETE FROM CardNickname WHERE IDm = ? AND CardType = ?"
                                                      : "INSERT OR REPLACE INTO CardNickname VALUES (?, ?, ?)"))) {
            failed = db.LastError();
            return rc;
        }
        q.Bind(1, idm);
        q.Bind(2, static_cast<std::int64_t>(cardType));
        if (!name.isEmpty()) q.Bind(3, name);
        if (DbFailed(rc = q.Step())) failed = db.LastError();
        return rc;
    });
    if (!DbFailed(r)) return true;
    error = failed.isEmpty() ? QStringLiteral("cannot write %1 (%2)")
                                   .arg(table.Path())
                                   .arg(static_cast<std::uint32_t>(r), 0, 16)
                             : failed;
    return false;
}

int ForgetStoredCard(CHistoryTable& table, const QString& idm, int cardType, QString& error) {
    std::vector<StoredCard> cards;
    if (!ListStoredCards(table, cards, error, idm)) return -1;
    // Rows an earlier version stored for a card's unused slots: the card is
    // not listed for them, and they go with it all the same.
    std::vector<int> types;
    for (const StoredCard& c : cards)
        if (cardType < 0 || c.cardType == cardType) types.push_back(c.cardType);
    if (types.empty()) return 0;
    QString failed;
    const DbResult r = table.Write([&](CDbConnection& db) {
        DbResult rc = db.Execute("PRAGMA secure_delete = ON");
        for (const char* name : {"History", "CardNickname", "CardBrand", "CardIssuer"}) {
            if (DbFailed(rc)) break;
            if (!hasTable(db, name)) continue;
            CDbStatement q;
            if (DbFailed(rc = q.Prepare(db, (QByteArray("DELETE FROM ") + name + " WHERE IDm = ? AND CardType = ?").constData())))
                break;
            for (int type : types) {
                q.Reset();
                q.Bind(1, idm);
                q.Bind(2, static_cast<std::int64_t>(type));
                if (DbFailed(rc = q.Step())) break;
            }
        }
        if (DbFailed(rc)) failed = db.LastError();
        return rc;
    });
    if (!DbFailed(r)) return static_cast<int>(types.size());
    error = failed.isEmpty() ? QStringLiteral("cannot write %1 (%2)")
                                   .arg(table.Path())
                                   .arg(static_cast<std::uint32_t>(r), 0, 16)
                             : failed;
    return -1;
}

void SetTradeFlagsFromBlocks(CHistoryDisplay& rows, int count, int cardType) {
    const std::unique_ptr<CSFCard> card = CreateCard(cardType);
    count = std::clamp(count, 0, CHistoryDisplay::kRows);
    for (int row = 0; row < count; ++row) {
        int flags = 0;
        std::uint8_t block[16];
        const bool isHex = BlockFromHex(rows.Text(history::BlockData, row), block);
        // A trade is decoded from its own block alone.
        if (card && isHex && card->SetHistoryBlock(0, block)) flags = card->GetTradeFlags(0);
        rows.SetFlags(row, flags);
    }
}

int LoadStoredHistory(CHistoryTable& table, CKuvoraDoc& doc, const QString& idm, int cardType) {
    doc.m_strIDm = idm;
    doc.m_nCardType = cardType;
    const CardTypeInfo* type = FindCardType(cardType);
    doc.m_strCardTypeName = type ? QString::fromUtf8(type->label) : QString();
    doc.m_strCardNumber.clear();
    bool ok = false;
    const qulonglong value = idm.toULongLong(&ok, 16);
    if (ok && idm.size() == 16) {
        int year = 0, month = 0, day = 0;
        CSFCard card;
        const int bytes45 = static_cast<int>((value >> 24) & 0xFF) + 256 * static_cast<int>((value >> 16) & 0xFF);
        card.DayNumberToDate(bytes45 + 2451545, year, month, day);
        doc.m_strMakeDate = QString::asprintf(" (FeliCa製造 %4d年%02d月%02d日)", year, month, day);
    }
    for (auto& line : doc.m_GateLog)
        for (QString& text : line) text.clear();  // another card's, from the last Read
    doc.m_bStoredHistory = true;
    doc.m_History.Clear();
    doc.m_nCardRows = 0;
    if (QFileInfo::exists(table.Path())) ResumeStoredNamingOnce(table);
    doc.m_nRows = QFileInfo::exists(table.Path()) ? table.Reload(idm, cardType, doc.m_History) : 0;
    doc.m_nIssuerKind = doc.m_nRows > 0 ? table.IssuerKind(idm, cardType) : -1;
    doc.m_strBrand = doc.m_nRows > 0 ? table.Brand(idm, cardType) : QString();
    SetTradeFlagsFromBlocks(doc.m_History, doc.m_nRows, cardType);
    return doc.m_nRows;
}
