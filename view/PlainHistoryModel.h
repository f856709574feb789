// The plain list of the shown card's history: one line per record with the
// date (four-digit year), time, trade, from -> to, the amount paid or charged,
// the balance and the card type's notes; no codes. Its lines are made from
// the document on Refresh(), called after the document changes. PlainHistoryFilter
// sorts it (numbers as numbers, dates as dates) and filters it by text and
// by a range of dates.
#pragma once

#include <QAbstractTableModel>
#include <QDate>
#include <QSortFilterProxyModel>

#include <optional>
#include <vector>

class CKuvoraDoc;
struct HistoryRowValues;

class PlainHistoryModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { DateColumn, TimeColumn, TradeColumn, RouteColumn, PaidColumn, ChargedColumn, BalanceColumn,
                  NotesColumn, ColumnCount };
    // The value a column sorts by: the ISO date and time, or the amount.
    static constexpr int SortRole = Qt::UserRole;
    // The record's date (QDate, invalid when the card records none).
    static constexpr int DateRole = Qt::UserRole + 1;

    explicit PlainHistoryModel(const CKuvoraDoc* doc, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    void Refresh();

private:
    struct Line {
        QString date, time, trade, route, notes;
        QDate day;
        std::optional<qint64> paid, charged, balance;
    };
    // The record's line; `before` is the record before it (older), if shown.
    Line LineOf(int record, const HistoryRowValues& values, const HistoryRowValues* before) const;

    const CKuvoraDoc* m_pDoc;
    std::vector<Line> m_Lines;  // the document's records, newest first
};

class PlainHistoryFilter : public QSortFilterProxyModel {
    Q_OBJECT
public:
    explicit PlainHistoryFilter(QObject* parent = nullptr);
    // Lines holding `text` in any column (any case); empty for all.
    void SetText(const QString& text);
    // Lines dated from `from` to `to`, both included; invalid dates for no
    // range. With a range, lines without a date are left out.
    void SetDateRange(const QDate& from, const QDate& to);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

private:
    QString m_Text;
    QDate m_From, m_To;
};
