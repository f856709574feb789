// The cards stored in History.db, and a card's stored history loaded into a
// document without a reader or a card.
#pragma once

#include <QString>

#include <vector>

class CKuvoraDoc;
class CHistoryTable;

struct StoredCard {
    QString idm;
    int cardType = 0;
    int rows = 0;
    QString newestDate;  // the Date text of the card's newest stored row
};

// Every stored card (or only those of the IDm `only`), the one stored last
// first. False, with `error` set, when History.db cannot be read; a missing
// file holds no cards.
bool ListStoredCards(CHistoryTable& table, std::vector<StoredCard>& cards, QString& error,
                     const QString& only = QString());

// Loads the card's stored history into `doc` as the Read command's reload
// does (IDm, card type, its name and the manufacturing date from the IDm;
// no card rows). Returns the number of rows loaded.
int LoadStoredHistory(CHistoryTable& table, CKuvoraDoc& doc, const QString& idm, int cardType);
