// The main window's guidance towards station names and a first read: the
// 未登録 bar above the view, the station table commands of the File menu and
// the hint of the empty grid.
#include "CMainFrame.h"

#include "CKuvoraView.h"
#include "CommandIds.h"
#include "StationNameCommands.h"
#include "StoredCardsDock.h"
#include "library_control.h"

#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QVBoxLayout>

void CMainFrame::BuildNameGuidance() {
    // The bar and the view share the central area, the bar on top.
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("centralArea"));
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_pNamesBar = new UnregisteredNamesBar(central);
    layout->addWidget(m_pNamesBar);
    layout->addWidget(m_pView, 1);
    setCentralWidget(central);
    // Its close button shows only "×", so it is named for a screen reader.
    m_pNamesBar->setAccessibleName(tr("未登録の駅名"));
    m_pNamesBar->CloseButton()->setAccessibleName(tr("閉じる"));
    m_pNamesBar->CloseButton()->setAccessibleDescription(tr("このお知らせを閉じます"));
    for (QPushButton* b : {m_pNamesBar->NameButton(), m_pNamesBar->ImportButton(), m_pNamesBar->NeverButton(),
                           m_pNamesBar->CloseButton()})
        b->setFocusPolicy(Qt::StrongFocus);

    connect(m_pNamesBar, &UnregisteredNamesBar::NameRequested, this, [this] {
        const QModelIndex first = m_pView->FirstUnknownNameCell();
        if (!first.isValid()) return;
        m_pView->Grid()->setCurrentIndex(first);
        m_pView->Grid()->scrollTo(first);
        m_Handlers[cmd::NameCode]();  // the grid's own command, not in a menu
    });
    connect(m_pNamesBar, &UnregisteredNamesBar::ImportRequested, this, [this] { Execute(cmd::ImportStationTables); });
    SetHandler(cmd::ImportStationTables, [this] { ImportStationTables(); });
    SetHandler(cmd::ExportStationTables, [this] { ExportStationTablesFromWindow(this); });
}

void CMainFrame::OrderFocus() {
    // Tab goes as one reads: the 未登録 bar, the grid (or the plain list in
    // its place), then the library beside them.
    const QList<QWidget*> order = {m_pNamesBar->NameButton(), m_pNamesBar->ImportButton(), m_pNamesBar->NeverButton(),
                                   m_pNamesBar->CloseButton(), m_pView->Grid(), m_pStoredCards->widget()};
    for (qsizetype i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
}

bool CMainFrame::ImportStationTables(const QStringList& files) {
    if (!ImportStationTablesFromWindow(this, *m_pDoc, files)) return false;
    m_pView->OnUpdate();
    if (!m_pStoredCards->isHidden()) m_pStoredCards->Refresh();
    UpdateNameGuidance(false);
    return true;
}

void CMainFrame::UpdateNameGuidance(bool afterRead) {
    UpdateEmptyHint();
    const bool unregistered = m_pView->FirstUnknownNameCell().isValid();
    if (afterRead) m_pNamesBar->ShowFor(unregistered);
    else if (!unregistered) m_pNamesBar->hide();
}

void CMainFrame::UpdateEmptyHint() {
    m_pView->SetEmptyHint(EmptyWindowHint(QString::fromStdString(felica::readerName())));
}
