// The stored-cards dock: lists every card History.db holds
// (card type, nickname, IDm, rows, oldest and newest date), newest first.
// Choosing a card asks for its stored history; a card is named from the
// context menu (名前を付ける...) or by editing its name cell (F2), and
// forgotten, after a confirmation, with 削除... or the Delete key.
#pragma once

#include "StoredHistory.h"

#include <QDockWidget>

#include <vector>

class QTableWidget;

class StoredCardsDock : public QDockWidget {
    Q_OBJECT
public:
    enum Column { TypeColumn, NicknameColumn, IdmColumn, RowsColumn, OldestColumn, NewestColumn, ColumnCount };

    explicit StoredCardsDock(QWidget* parent = nullptr);

    // Lists History.db's cards again, keeping the chosen card chosen.
    void Refresh();
    const std::vector<StoredCard>& Cards() const { return m_Cards; }
    QTableWidget* Table() const { return m_pTable; }

    // Chooses the card of list row `row`, as a click does.
    void Choose(int row);
    // Names the card of list row `row` (empty removes the name) and lists
    // again; false, after a message, when History.db refused it.
    bool SetNickname(int row, const QString& nickname);
    // Asks for the name of the card of row `row` and sets it.
    void AskNickname(int row);
    // Forgets the card of list row `row` (its rows, nickname and brand leave
    // History.db) and lists again; false, after a message, when History.db
    // refused it.
    bool Forget(int row);
    // Asks whether to forget the card of row `row`, naming it and saying
    // that it cannot be undone, and forgets it when the answer is yes.
    void AskForget(int row);
    // The question AskForget asks about a card.
    static QString ForgetQuestion(const StoredCard& card);

    // The width at which every column shows its title and texts whole: the
    // dock's width when it opens.
    int ContentWidth() const;

signals:
    void CardChosen(const QString& idm, int cardType);
    // A nickname was set.
    void NicknameChanged();
    // A card was forgotten.
    void CardForgotten(const QString& idm, int cardType);

private:
    // Each column as wide as its widest text (measured, not laid out).
    void FitColumns();

    QTableWidget* m_pTable;
    std::vector<StoredCard> m_Cards;
    bool m_bFilling = false;
};
