// The grid's model: reads the document's display model, two rows per
// history record (the upper row the codes, the lower the names), twelve
// columns. It holds no copy of the data; Refresh() tells the view that the
// document changed.
#pragma once

#include <QAbstractTableModel>

#include <functional>

class CKuvoraDoc;

class CHistoryModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit CHistoryModel(const CKuvoraDoc* doc, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The document's rows changed: the view rereads everything.
    void Refresh();

    // The number of records shown: the document's row count (within 0..1000)
    // as of the last Refresh.
    int Records() const { return m_nRecords; }

    // Tells which "未登録" cells can be named (the view knows their keys):
    // their tool tip and status tip say that a double-click names them.
    void SetNameableTest(std::function<bool(const QModelIndex&)> test) { m_Nameable = std::move(test); }
    static QString NameableToolTip();
    static QString NameablePrompt();

private:
    int DocumentRecords() const;

    const CKuvoraDoc* m_pDoc;
    int m_nRecords = 0;
    std::function<bool(const QModelIndex&)> m_Nameable;
};
