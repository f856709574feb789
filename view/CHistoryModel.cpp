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
        if (role == Qt::ToolTipRole && m_Nameable && m_Nameable(index)) return NameableToolTip();
        return role == Qt::ToolTipRole && text.isEmpty() ? QVariant() : QVariant(text);
    }
    case Qt::StatusTipRole:
        if (m_Nameable && m_Nameable(index)) return NameablePrompt();
        return QVariant();
    case Qt::BackgroundRole: return QBrush(view::RecordColour(record));
    case Qt::ForegroundRole:
        if (lower && index.column() == 9) return QBrush(view::ChargeColour());
        return QBrush(QColor(0, 0, 0));
    default: return QVariant();
    }
}

QVariant CHistoryModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < view::kGridColumns)
        return view::ColumnTitle(section);
    if (orientation == Qt::Vertical && role == Qt::DisplayRole) return QString();
    return QVariant();
}

Qt::ItemFlags CHistoryModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

QString CHistoryModel::NameableToolTip() {
    return tr("未登録: この名前は駅名表にありません。\nダブルクリックすると名前を登録できます。");
}

QString CHistoryModel::NameablePrompt() {
    return tr("この名前は未登録です。ダブルクリックすると駅名を登録できます"
              "（ファイル → 駅名表を取り込む... で駅名表を取り込むこともできます）");
}

void CHistoryModel::Refresh() {
    beginResetModel();
    m_nRecords = DocumentRecords();
    endResetModel();
}
