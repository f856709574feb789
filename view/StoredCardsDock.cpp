#include "StoredCardsDock.h"

#include "CHistoryTable.h"
#include "CardTypes.h"
#include "MessageSink.h"
#include "ShownText.h"

#include <QHeaderView>
#include <QInputDialog>
#include <QMenu>
#include <QMessageBox>
#include <QScrollBar>
#include <QShortcut>
#include <QStyle>
#include <QTableWidget>

StoredCardsDock::StoredCardsDock(QWidget* parent) : QDockWidget(tr("保存済みカード"), parent) {
    setObjectName(QStringLiteral("storedCardsDock"));
    setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
    m_pTable = new QTableWidget(0, ColumnCount, this);
    m_pTable->setObjectName(QStringLiteral("storedCards"));
    m_pTable->setAccessibleName(windowTitle());
    m_pTable->setHorizontalHeaderLabels(
        {tr("カード"), tr("名前"), QStringLiteral("IDm"), tr("件数"), tr("最初"), tr("最後")});
    m_pTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pTable->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pTable->setEditTriggers(QAbstractItemView::EditKeyPressed);
    m_pTable->setContextMenuPolicy(Qt::CustomContextMenu);
    m_pTable->setWordWrap(false);
    m_pTable->verticalHeader()->hide();
    m_pTable->horizontalHeader()->setStretchLastSection(true);
    FitColumns();
    setWidget(m_pTable);

    connect(m_pTable, &QTableWidget::cellClicked, this, [this](int row, int) { Choose(row); });
    connect(m_pTable, &QTableWidget::cellActivated, this, [this](int row, int) { Choose(row); });
    connect(m_pTable, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        // Set once the editor has closed: setting lists the cards again.
        if (!m_bFilling && item->column() == NicknameColumn)
            QMetaObject::invokeMethod(
                this, [this, row = item->row(), name = item->text()] { SetNickname(row, name); },
                Qt::QueuedConnection);
    });
    connect(m_pTable, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        const int row = m_pTable->rowAt(at.y());
        if (row < 0) return;
        QMenu menu(this);
        menu.addAction(tr("このカードの履歴を表示"), this, [this, row] { Choose(row); });
        menu.addAction(tr("名前を付ける..."), this, [this, row] { AskNickname(row); });
        menu.addSeparator();
        menu.addAction(tr("削除..."), this, [this, row] { AskForget(row); });
        menu.exec(m_pTable->viewport()->mapToGlobal(at));
    });
    auto* forget = new QShortcut(QKeySequence::Delete, m_pTable, nullptr, nullptr, Qt::WidgetShortcut);
    connect(forget, &QShortcut::activated, this, [this] { AskForget(m_pTable->currentRow()); });
}

void StoredCardsDock::Refresh() {
    const int chosen = m_pTable->currentRow();
    const std::pair<QString, int> was = chosen >= 0 && chosen < static_cast<int>(m_Cards.size())
                                            ? std::pair(m_Cards[chosen].idm, m_Cards[chosen].cardType)
                                            : std::pair(QString(), -1);
    CHistoryTable table;
    QString error;
    if (!ListStoredCards(table, m_Cards, error)) {
        m_Cards.clear();
        ShowMessage(tr("保存済みのカードを一覧できません。\n%1").arg(error));
    }
    m_bFilling = true;
    m_pTable->setRowCount(static_cast<int>(m_Cards.size()));
    int keep = -1;
    for (int row = 0; row < static_cast<int>(m_Cards.size()); ++row) {
        const StoredCard& c = m_Cards[static_cast<std::size_t>(row)];
        const CardTypeInfo* type = FindCardType(c.cardType);
        QString typeText = type ? ShownText(QString::fromUtf8(type->label)) : QString::number(c.cardType);
        if (!c.brand.isEmpty()) typeText += tr("（%1）").arg(ShownText(c.brand));
        const QString texts[ColumnCount] = {typeText, c.nickname, c.idm, QString::number(c.rows), c.oldestDate,
                                            c.newestDate};
        for (int column = 0; column < ColumnCount; ++column) {
            auto* item = new QTableWidgetItem(texts[column]);
            Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
            if (column == NicknameColumn) flags |= Qt::ItemIsEditable;
            item->setFlags(flags);
            if (column == RowsColumn) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            if (column == TypeColumn) item->setToolTip(texts[column]);  // elided when narrow
            m_pTable->setItem(row, column, item);
        }
        if (c.idm == was.first && c.cardType == was.second) keep = row;
    }
    if (keep >= 0) m_pTable->setCurrentCell(keep, TypeColumn);
    m_bFilling = false;
    FitColumns();
}

void StoredCardsDock::FitColumns() {
    // The texts are measured with the font once per listing, not laid out
    // by the view on every layout: that is what made the dock slow with a
    // thousand cards. At least as wide as the texts a new card brings.
    const QFontMetrics cells(m_pTable->font());
    const QFontMetrics titles(m_pTable->horizontalHeader()->font());
    // The item's text margins on both sides, and a little air.
    const int margin = 2 * (m_pTable->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_pTable) + 1) + 6;
    const char16_t* const least[ColumnCount] = {u"JAL IC", u"", u"0123456789ABCDEF", u"0000", u"2026/11/28",
                                                u"2026/11/28"};
    for (int column = 0; column < ColumnCount; ++column) {
        const QTableWidgetItem* title = m_pTable->horizontalHeaderItem(column);
        int width = titles.horizontalAdvance(title ? title->text() : QString()) + margin;
        width = std::max(width, cells.horizontalAdvance(QString::fromUtf16(least[column])) + margin);
        for (int row = 0; row < m_pTable->rowCount(); ++row)
            if (const QTableWidgetItem* item = m_pTable->item(row, column))
                width = std::max(width, cells.horizontalAdvance(item->text()) + margin);
        m_pTable->setColumnWidth(column, width);
    }
}

int StoredCardsDock::ContentWidth() const {
    int width = 2 * m_pTable->frameWidth() + m_pTable->verticalScrollBar()->sizeHint().width();
    for (int column = 0; column < ColumnCount; ++column) width += m_pTable->columnWidth(column);
    // The dock's own frame around the table.
    return width + 2 * style()->pixelMetric(QStyle::PM_DockWidgetFrameWidth, nullptr, this) + 4;
}

void StoredCardsDock::Choose(int row) {
    if (row < 0 || row >= static_cast<int>(m_Cards.size())) return;
    const StoredCard& c = m_Cards[static_cast<std::size_t>(row)];
    emit CardChosen(c.idm, c.cardType);
}

bool StoredCardsDock::SetNickname(int row, const QString& nickname) {
    if (row < 0 || row >= static_cast<int>(m_Cards.size())) return false;
    const StoredCard c = m_Cards[static_cast<std::size_t>(row)];
    CHistoryTable table;
    QString error;
    const bool stored = SetCardNickname(table, c.idm, c.cardType, nickname, error);
    if (!stored) ShowMessage(tr("カードの名前を保存できませんでした。\n%1").arg(error));
    Refresh();  // either way, so the list shows what History.db holds
    if (stored) emit NicknameChanged();
    return stored;
}

void StoredCardsDock::AskNickname(int row) {
    if (row < 0 || row >= static_cast<int>(m_Cards.size())) return;
    const StoredCard& c = m_Cards[static_cast<std::size_t>(row)];
    bool ok = false;
    const QString name = QInputDialog::getText(this, tr("名前を付ける"), tr("%1 の名前（空欄で名前を消します）:").arg(c.idm),
                                               QLineEdit::Normal, c.nickname, &ok);
    if (ok) SetNickname(row, name);
}

namespace {

// The card as the list shows it: its type (and brand), its nickname, its IDm.
QString cardName(const StoredCard& c) {
    const CardTypeInfo* type = FindCardType(c.cardType);
    QString name = type ? ShownText(QString::fromUtf8(type->label)) : QString::number(c.cardType);
    if (!c.brand.isEmpty()) name += StoredCardsDock::tr("（%1）").arg(ShownText(c.brand));
    if (!c.nickname.isEmpty()) name = StoredCardsDock::tr("「%1」 %2").arg(c.nickname, name);
    return name + QStringLiteral("\nIDm %1").arg(c.idm);
}

}  // namespace

QString StoredCardsDock::ForgetQuestion(const StoredCard& card) {
    return tr("次のカードを削除しますか？\n\n%1（%n 件）\n\n"
              "保存されている履歴、名前、ブランドが履歴データベースから消えます。"
              "この操作は元に戻せません。",
              nullptr, card.rows)
        .arg(cardName(card));
}

void StoredCardsDock::AskForget(int row) {
    if (row < 0 || row >= static_cast<int>(m_Cards.size())) return;
    const QString question = ForgetQuestion(m_Cards[static_cast<std::size_t>(row)]);
    const QMessageBox::StandardButton answer = QMessageBox::question(
        this, tr("カードの削除"), question, QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer == QMessageBox::Yes) Forget(row);
}

bool StoredCardsDock::Forget(int row) {
    if (row < 0 || row >= static_cast<int>(m_Cards.size())) return false;
    const StoredCard c = m_Cards[static_cast<std::size_t>(row)];
    CHistoryTable table;
    QString error;
    const bool forgotten = ForgetStoredCard(table, c.idm, c.cardType, error) >= 0;
    if (!forgotten) ShowMessage(tr("カードを削除できませんでした。\n%1").arg(error));
    Refresh();
    if (forgotten) emit CardForgotten(c.idm, c.cardType);
    return forgotten;
}
