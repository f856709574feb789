#include "CHistoryModel.h"

#include "CKuvoraDoc.h"
#include "ViewLayout.h"

#include <QBrush>

CHistoryModel::CHistoryModel(const CKuvoraDoc* doc, QObject* parent)
    : QAbstractTableModel(parent), m_pDoc(doc), m_nRecords(DocumentRecords()) {}

int CHistoryModel::DocumentRecords() const {
    return m_pDoc ? std::clamp(m_pDoc->m_nRows, 0, CHistoryDisplay::kRows) : 0;
}

int CHistoryModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 2 * Records();
}

int CHistoryModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : view::kGridColumns;
}

QVariant CHistoryModel::data(const QModelIndex& index, int role) const {
    if (!m_pDoc || !index.isValid() || index.row() >= rowCount() || index.column() >= view::kGridColumns)
        return QVariant();
    const int record = index.row() / 2;
    const bool lower = index.row() % 2 == 1;
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole: {
        const view::GridColumn& c = view::Column(index.column());
        const int column = lower ? c.lower : c.upper;
        if (column < 0) return QString();
        const QString text = m_pDoc->m_History.Text(column, record);
        return role == Qt::ToolTipRole && text.isEmpty() ? QVariant() : QVariant(text);
    }
    case Qt::BackgroundRole: return QBrush(view::RecordColour(record));
    case Qt::ForegroundRole:
        if (lower && index.column() == 9) return QBrush(view::ChargeColour());
        return QBrush(QColor(0, 0, 0));
    default: return QVariant();
    }
}

QVariant CHistoryModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < view::kGridColumns)
        return QString::fromUtf16(view::Column(section).title);
    if (orientation == Qt::Vertical && role == Qt::DisplayRole) return QString();
    return QVariant();
}

Qt::ItemFlags CHistoryModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void CHistoryModel::Refresh() {
    beginResetModel();
    m_nRecords = DocumentRecords();
    endResetModel();
}
