// The plain view of the shown card's history: a filter row (text, and a
// range of dates once 期間 is ticked) over a sortable list of whole lines.
#pragma once

#include <QWidget>

class CKuvoraDoc;
class PlainHistoryFilter;
class PlainHistoryModel;
class QCheckBox;
class QDateEdit;
class QLineEdit;
class QTableView;

class PlainHistoryView : public QWidget {
    Q_OBJECT
public:
    explicit PlainHistoryView(const CKuvoraDoc* doc, QWidget* parent = nullptr);

    // The document changed: the lines are made again, the filter kept; the
    // date range follows the card's dates while it is not in use.
    void Refresh();
    // The selected lines as text, in the order shown: a header line, then
    // one line per record, tab between the columns. Empty with nothing
    // selected.
    QString SelectedText() const;

    QTableView* Table() const { return m_pTable; }
    PlainHistoryModel* Model() const { return m_pModel; }
    PlainHistoryFilter* Filter() const { return m_pFilter; }
    QLineEdit* TextFilter() const { return m_pText; }
    QCheckBox* RangeChoice() const { return m_pRange; }
    QDateEdit* FromDate() const { return m_pFrom; }
    QDateEdit* ToDate() const { return m_pTo; }

private:
    void ApplyRange();

    PlainHistoryModel* m_pModel;
    PlainHistoryFilter* m_pFilter;
    QTableView* m_pTable;
    QLineEdit* m_pText;
    QCheckBox* m_pRange;
    QDateEdit* m_pFrom;
    QDateEdit* m_pTo;
};
