#include "PlainHistoryModel.h"

#include "CKuvoraDoc.h"
#include "HistoryValues.h"

#include <QLocale>
#include <QStringList>

namespace {

const char* const kTitles[PlainHistoryModel::ColumnCount] = {
    QT_TRANSLATE_NOOP("PlainHistoryModel", "日付"),    QT_TRANSLATE_NOOP("PlainHistoryModel", "時刻"),
    QT_TRANSLATE_NOOP("PlainHistoryModel", "処理"),    QT_TRANSLATE_NOOP("PlainHistoryModel", "利用区間・店舗"),
    QT_TRANSLATE_NOOP("PlainHistoryModel", "支払"),    QT_TRANSLATE_NOOP("PlainHistoryModel", "チャージ"),
    QT_TRANSLATE_NOOP("PlainHistoryModel", "残高"),    QT_TRANSLATE_NOOP("PlainHistoryModel", "備考")};

QString amountText(const std::optional<qint64>& value) {
    static const QLocale japanese(QLocale::Japanese);
    return value ? japanese.toString(*value) : QString();
}

}  // namespace

PlainHistoryModel::PlainHistoryModel(const CKuvoraDoc* doc, QObject* parent)
    : QAbstractTableModel(parent), m_pDoc(doc) {
    Refresh();
}

PlainHistoryModel::Line PlainHistoryModel::LineOf(int record, const HistoryRowValues& v,
                                                  const HistoryRowValues* before) const {
    using namespace history;
    const CHistoryDisplay& h = m_pDoc->m_History;
    Line line;
    if (v.date) {
        line.day = QDate::fromString(*v.date, Qt::ISODate);
        line.date = line.day.isValid() ? line.day.toString(QStringLiteral("yyyy/MM/dd")) : *v.date;
    }
    line.time = v.time.value_or(QString());
    line.trade = h.Text(Trade, record).trimmed();
    const QString from = h.Text(DepartureStation, record).trimmed();
    const QString to = h.Text(ArrivalStation, record).trimmed();
    line.route = !from.isEmpty() && !to.isEmpty() ? from + QStringLiteral(" → ") + to : from + to;
    const QString note1 = h.Text(Note1, record).trimmed(), note2 = h.Text(Note2, record).trimmed();
    line.notes = note1.isEmpty() || note2.isEmpty() ? note1 + note2 : note1 + QLatin1Char(' ') + note2;
    line.balance = v.balance;
    // What the record paid or added is what the balance moved since the
    // record before it; the oldest record shown has none to compare with.
    if (before && before->balance && v.balance) {
        const qint64 moved = *v.balance - *before->balance;
        if (moved < 0) line.paid = -moved;
        if (moved > 0) line.charged = moved;
    }
    return line;
}

void PlainHistoryModel::Refresh() {
    beginResetModel();
    m_Lines.clear();
    const int rows = m_pDoc ? std::clamp(m_pDoc->m_nRows, 0, CHistoryDisplay::kRows) : 0;
    std::vector<HistoryRowValues> values;
    values.reserve(static_cast<std::size_t>(rows));
    for (int record = 0; record < rows; ++record)
        values.push_back(HistoryRowValuesOf(m_pDoc->m_nCardType, m_pDoc->m_History, record));
    m_Lines.reserve(static_cast<std::size_t>(rows));
    for (int record = 0; record < rows; ++record)
        if (!m_pDoc->m_History.Text(history::BlockData, record).isEmpty())  // the empty rows of a new document
            m_Lines.push_back(LineOf(record, values[static_cast<std::size_t>(record)],
                                     record + 1 < rows ? &values[static_cast<std::size_t>(record) + 1] : nullptr));
    endResetModel();
}

int PlainHistoryModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_Lines.size());
}

int PlainHistoryModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant PlainHistoryModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= ColumnCount) return QVariant();
    const Line& line = m_Lines[static_cast<std::size_t>(index.row())];
    auto amount = [role](const std::optional<qint64>& value) -> QVariant {
        if (role == SortRole) return value ? QVariant(*value) : QVariant();
        return amountText(value);
    };
    if (role == DateRole) return line.day;
    if (role == Qt::TextAlignmentRole)
        return index.column() >= PaidColumn && index.column() <= BalanceColumn
                   ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                   : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    if (role != Qt::DisplayRole && role != SortRole) return QVariant();
    switch (index.column()) {
    case DateColumn:
        return role == SortRole ? QVariant(line.day.toString(Qt::ISODate) + QLatin1Char(' ') + line.time)
                                : QVariant(line.date);
    case TimeColumn: return line.time;
    case TradeColumn: return line.trade;
    case RouteColumn: return line.route;
    case PaidColumn: return amount(line.paid);
    case ChargedColumn: return amount(line.charged);
    case BalanceColumn: return amount(line.balance);
    case NotesColumn: return line.notes;
    default: return QVariant();
    }
}

QVariant PlainHistoryModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < ColumnCount)
        return tr(kTitles[section]);
    return QAbstractTableModel::headerData(section, orientation, role);
}

PlainHistoryFilter::PlainHistoryFilter(QObject* parent) : QSortFilterProxyModel(parent) {
    setSortRole(PlainHistoryModel::SortRole);
}

void PlainHistoryFilter::SetText(const QString& text) {
    m_Text = text.trimmed();
    invalidateFilter();
}

void PlainHistoryFilter::SetDateRange(const QDate& from, const QDate& to) {
    m_From = from;
    m_To = to;
    invalidateFilter();
}

bool PlainHistoryFilter::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const {
    const QAbstractItemModel* model = sourceModel();
    if (m_From.isValid() || m_To.isValid()) {
        const QDate day = model->index(sourceRow, 0, sourceParent).data(PlainHistoryModel::DateRole).toDate();
        if (!day.isValid() || (m_From.isValid() && day < m_From) || (m_To.isValid() && day > m_To)) return false;
    }
    if (m_Text.isEmpty()) return true;
    for (int column = 0; column < model->columnCount(sourceParent); ++column)
        if (model->index(sourceRow, column, sourceParent).data().toString().contains(m_Text, Qt::CaseInsensitive))
            return true;
    return false;
}

bool PlainHistoryFilter::lessThan(const QModelIndex& left, const QModelIndex& right) const {
    const QVariant a = left.data(sortRole()), b = right.data(sortRole());
    // A line without the value sorts before every line with one.
    if (!a.isValid() || !b.isValid()) return !a.isValid() && b.isValid();
    if (a.typeId() == QMetaType::LongLong && b.typeId() == QMetaType::LongLong) return a.toLongLong() < b.toLongLong();
    return a.toString() < b.toString();
}
