// The cards stored in History.db, and a card's stored history loaded into a
// document without a reader or a card.
#pragma once

#include <QString>

#include <vector>

class CKuvoraDoc;
class CHistoryTable;
class CHistoryDisplay;

struct StoredCard {
    QString idm;
    int cardType = 0;
    int rows = 0;
    QString newestDate;  // the Date text of the card's newest stored row
    QString oldestDate;  // and of its oldest
    QString nickname;    // the name the user gave the card, or empty
    QString brand;       // a Suica-family card's brand as last read, or empty
};

// Every stored card (or only those of the IDm `only`), the one stored last
// first. False, with `error` set, when History.db cannot be read; a missing
// file holds no cards.
bool ListStoredCards(CHistoryTable& table, std::vector<StoredCard>& cards, QString& error,
                     const QString& only = QString());

// Loads the card's stored history into `doc` as the Read command's reload
// does (IDm, card type, its name and the manufacturing date from the IDm;
// no card rows, no gate log) and marks the document as showing stored
// history until the next Read. Returns the number of rows loaded.
int LoadStoredHistory(CHistoryTable& table, CKuvoraDoc& doc, const QString& idm, int cardType);

// The trade flags of display rows 0 .. count-1, which History.db does not
// keep: each row's BlockData decoded by the card class of `cardType`, as
// the Read decodes the card's own rows. A row whose block is not 32 hex
// digits, or a type without a class, gets 0.
void SetTradeFlagsFromBlocks(CHistoryDisplay& rows, int count, int cardType);

// Gives a stored card a nickname (an empty one removes it), kept in
// History.db's CardNickname table, which is made on first use. Written only
// into a file the table's checked open accepts; false, with `error` set,
// otherwise.
bool SetCardNickname(CHistoryTable& table, const QString& idm, int cardType, const QString& nickname,
                     QString& error);

// Forgets a stored card: its rows, nickname, brand and issuer kind leave
// History.db in one transaction, with SQLite's secure delete, so that they do
// not linger in the file's free pages. `cardType` -1 forgets the IDm under
// every card type. Returns how many cards were forgotten (0: none was
// stored, and the file is not written), or -1 with `error` set when the file
// could not be written; a damaged file is never written.
int ForgetStoredCard(CHistoryTable& table, const QString& idm, int cardType, QString& error);
