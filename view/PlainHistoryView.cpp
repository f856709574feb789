#include "PlainHistoryView.h"

#include "KuvoraFonts.h"
#include "PlainHistoryModel.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

#include <set>

PlainHistoryView::PlainHistoryView(const CKuvoraDoc* doc, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("plainHistory"));
    m_pModel = new PlainHistoryModel(doc, this);
    m_pFilter = new PlainHistoryFilter(this);
    m_pFilter->setSourceModel(m_pModel);

    m_pText = new QLineEdit(this);
    m_pText->setPlaceholderText(tr("絞り込み（駅名・店舗・備考など）"));
    m_pText->setAccessibleName(tr("絞り込み"));
    m_pText->setAccessibleDescription(m_pText->placeholderText());
    m_pText->setClearButtonEnabled(true);
    // The field's clear button shows only an icon.
    for (QToolButton* clear : m_pText->findChildren<QToolButton*>()) clear->setAccessibleName(tr("絞り込みを消す"));
    m_pRange = new QCheckBox(tr("期間"), this);
    auto dateEdit = [this] {
        auto* edit = new QDateEdit(this);
        edit->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
        edit->setCalendarPopup(true);
        edit->setEnabled(false);
        return edit;
    };
    m_pFrom = dateEdit();
    m_pFrom->setAccessibleName(tr("期間の始め"));
    m_pTo = dateEdit();
    m_pTo->setAccessibleName(tr("期間の終わり"));
    auto* filterRow = new QHBoxLayout;
    filterRow->setContentsMargins(4, 4, 4, 4);
    filterRow->addWidget(m_pText, 1);
    filterRow->addSpacing(12);
    filterRow->addWidget(m_pRange);
    filterRow->addWidget(m_pFrom);
    filterRow->addWidget(new QLabel(tr("～"), this));
    filterRow->addWidget(m_pTo);

    m_pTable = new QTableView(this);
    m_pTable->setObjectName(QStringLiteral("plainHistoryTable"));
    m_pTable->setAccessibleName(tr("履歴の一覧"));
    m_pTable->setModel(m_pFilter);
    m_pTable->setFont(KuvoraFont(9));
    m_pTable->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);  // the card's order at first
    m_pTable->setSortingEnabled(true);
    m_pTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pTable->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_pTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pTable->setAlternatingRowColors(true);
    m_pTable->setWordWrap(false);
    m_pTable->verticalHeader()->hide();
    m_pTable->verticalHeader()->setDefaultSectionSize(QFontMetrics(KuvoraFont(9)).height() + 6);
    m_pTable->horizontalHeader()->setStretchLastSection(true);
    const int widths[PlainHistoryModel::ColumnCount] = {86, 60, 80, 220, 64, 64, 64, 120};
    for (int c = 0; c < PlainHistoryModel::ColumnCount; ++c) m_pTable->setColumnWidth(c, widths[c]);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(filterRow);
    layout->addWidget(m_pTable, 1);

    connect(m_pText, &QLineEdit::textChanged, m_pFilter, &PlainHistoryFilter::SetText);
    connect(m_pRange, &QCheckBox::toggled, this, [this](bool on) {
        m_pFrom->setEnabled(on);
        m_pTo->setEnabled(on);
        ApplyRange();
    });
    connect(m_pFrom, &QDateEdit::dateChanged, this, &PlainHistoryView::ApplyRange);
    connect(m_pTo, &QDateEdit::dateChanged, this, &PlainHistoryView::ApplyRange);
    Refresh();
}

void PlainHistoryView::ApplyRange() {
    if (m_pRange->isChecked()) m_pFilter->SetDateRange(m_pFrom->date(), m_pTo->date());
    else m_pFilter->SetDateRange(QDate(), QDate());
}

void PlainHistoryView::Refresh() {
    m_pModel->Refresh();
    if (m_pRange->isChecked()) return;
    QDate first, last;
    for (int row = 0; row < m_pModel->rowCount(); ++row) {
        const QDate day = m_pModel->index(row, 0).data(PlainHistoryModel::DateRole).toDate();
        if (!day.isValid()) continue;
        if (!first.isValid() || day < first) first = day;
        if (!last.isValid() || day > last) last = day;
    }
    const QSignalBlocker blockFrom(m_pFrom), blockTo(m_pTo);
    m_pFrom->setDate(first.isValid() ? first : QDate::currentDate());
    m_pTo->setDate(last.isValid() ? last : QDate::currentDate());
}

QString PlainHistoryView::SelectedText() const {
    std::set<int> rows;
    for (const QModelIndex& index : m_pTable->selectionModel()->selectedIndexes()) rows.insert(index.row());
    if (rows.empty()) return QString();
    QStringList lines;
    QStringList header;
    for (int c = 0; c < m_pFilter->columnCount(); ++c)
        header << m_pFilter->headerData(c, Qt::Horizontal).toString();
    lines << header.join(QLatin1Char('\t'));
    for (int row : rows) {
        QStringList cells;
        for (int c = 0; c < m_pFilter->columnCount(); ++c) cells << m_pFilter->index(row, c).data().toString();
        lines << cells.join(QLatin1Char('\t'));
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}
