#include "StoredHistory.h"

#include "CHistoryTable.h"
#include "CKuvoraDoc.h"
#include "CSFCard.h"
#include "CardTypes.h"

#include <QFileInfo>

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
    // One IDm's cards come from the index alone, whatever the database's size.
    const QByteArray sql = QByteArray("SELECT h.IDm, h.CardType, g.n, h.Date FROM "
                                      "(SELECT MAX(Sequential) AS s, COUNT(*) AS n FROM History ") +
                           (only.isEmpty() ? "" : "WHERE IDm = ? ") +
                           "GROUP BY IDm, CardType) g JOIN History h ON h.Sequential = g.s ORDER BY g.s DESC";
    if (DbFailed(r) || DbFailed(r = q.Prepare(db, sql.constData()))) {
        error = db.IsOpen() ? db.LastError() : QStringLiteral("cannot open %1").arg(table.Path());
        return false;
    }
    if (!only.isEmpty()) q.Bind(1, only);
    while ((r = q.Step()) == DB_OK)
        cards.push_back({q.Text(0), static_cast<int>(q.Integer(1)), static_cast<int>(q.Integer(2)), q.Text(3)});
    if (r != DB_S_ENDOFROWSET) {
        error = db.LastError();
        return false;
    }
    return true;
}

int LoadStoredHistory(CHistoryTable& table, CKuvoraDoc& doc, const QString& idm, int cardType) {
    doc.m_strIDm = idm;
    doc.m_nCardType = cardType;
    const CardTypeInfo* type = FindCardType(cardType);
    doc.m_strCardTypeName = type ? QString::fromUtf16(type->label) : QString();
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
    doc.m_History.Clear();
    doc.m_nCardRows = 0;
    doc.m_nRows = QFileInfo::exists(table.Path()) ? table.Reload(idm, cardType, doc.m_History) : 0;
    doc.m_nIssuerKind = doc.m_nRows > 0 ? table.IssuerKind(idm, cardType) : -1;
    return doc.m_nRows;
}
