#include "CKuvoraView.h"

#include "CHistoryModel.h"
#include "CKuvoraDoc.h"
#include "CSettingsStore.h"
#include "KuvoraFonts.h"
#include "ServiceDump.h"
#include "ViewLayout.h"

#include <QApplication>
#include <QStatusBar>

#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QTableView>

CKuvoraView::CKuvoraView(CKuvoraDoc* doc, QWidget* parent) : QWidget(parent), m_pDoc(doc) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setMinimumSize(200, view::kHeaderBandHeight);
    CreateGrid();
}

CKuvoraView::~CKuvoraView() { SaveColumnWidths(); }

void CKuvoraView::CreateGrid() {
    m_pModel = new CHistoryModel(m_pDoc, this);
    m_pGrid = new QTableView(this);
    m_pGrid->setObjectName(QStringLiteral("historyGrid"));
    m_pGrid->setModel(m_pModel);
    m_pGrid->setFont(KuvoraFont(9));
    m_pGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pGrid->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_pGrid->setSelectionBehavior(QAbstractItemView::SelectItems);
    m_pGrid->setWordWrap(false);
    m_pGrid->setTextElideMode(Qt::ElideRight);
    QHeaderView* columns = m_pGrid->horizontalHeader();
    columns->setSectionResizeMode(QHeaderView::Interactive);
    columns->setFixedHeight(view::kTitleRowHeight);
    columns->setMinimumSectionSize(0);
    columns->setHighlightSections(false);
    QHeaderView* rows = m_pGrid->verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Interactive);
    rows->setDefaultSectionSize(QFontMetrics(KuvoraFont(9)).height() + 6);
    rows->setMinimumSectionSize(4);
    rows->setFixedWidth(10);
    for (int i = 0; i < view::kGridColumns; ++i) {
        const int width = settings::ColumnWidth(i, view::Column(i).defaultWidth);
        if (width < 0) continue;  // a negative stored width keeps the grid's own
        if (width == 0) m_pGrid->setColumnHidden(i, true);
        else m_pGrid->setColumnWidth(i, width);
    }
    m_pGrid->setGeometry(0, view::kHeaderBandHeight, width(), std::max(0, height() - view::kHeaderBandHeight));
}

void CKuvoraView::SaveColumnWidths() const {
    if (!m_pGrid) return;
    for (int i = 0; i < view::kGridColumns; ++i)
        settings::WriteInt(QStringLiteral("ColWith%1").arg(i),
                           m_pGrid->isColumnHidden(i) ? 0 : m_pGrid->columnWidth(i));
}

void CKuvoraView::OnUpdate() {
    m_pModel->Refresh();
    update();
}

void CKuvoraView::SelectAll() { m_pGrid->selectAll(); }

void CKuvoraView::paintEvent(QPaintEvent*) {
    if (!m_pDoc) return;
    QPainter painter(this);
    PaintHeaderBand(painter);
}

void CKuvoraView::PaintHeaderBand(QPainter& p) {
    using namespace view;
    p.fillRect(QRect(0, 0, width() + 18, kHeaderBandHeight), BandColour());
    p.setFont(KuvoraFont());
    p.setPen(Qt::black);
    for (const PlacedText& t : HeaderBandTexts(*m_pDoc))
        p.drawText(QRect(t.x, t.y, 4000, 40), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, t.text);
}

void CKuvoraView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (m_pGrid)
        m_pGrid->setGeometry(0, view::kHeaderBandHeight, width(), std::max(0, height() - view::kHeaderBandHeight));
}

void CKuvoraView::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    const bool onlyLeft = event->buttons() == Qt::LeftButton && event->button() == Qt::LeftButton;
    if (onlyLeft && event->modifiers() == (Qt::ControlModifier | Qt::ShiftModifier) && at.x() >= 1 &&
        at.x() <= 9 && at.y() >= 1 && at.y() <= 9)
        OnServiceDumpRequested();
    if (at.y() < view::kHeaderBandHeight) m_pGrid->clearSelection();
}

void CKuvoraView::OnServiceDumpRequested() {
    // The dump says nothing to the user, whatever happens; while it runs the
    // window shows that it is busy.
    QStatusBar* bar = window()->findChild<QStatusBar*>();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (bar) {
        bar->showMessage(QStringLiteral("カードのサービス情報を %1 に書き出しています...").arg(ServiceDumpFileName()));
        bar->repaint();
    }
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    WriteServiceDump();
    QApplication::restoreOverrideCursor();
    if (bar) bar->clearMessage();
    window()->update();
}
