#include "CKuvoraView.h"

#include "CHistoryModel.h"
#include "CKuvoraDoc.h"
#include "CodeNaming.h"
#include "CSettingsStore.h"
#include "HistoryPicture.h"
#include "KuvoraFonts.h"
#include "MessageSink.h"
#include "PlainHistoryView.h"
#include "ServiceDump.h"
#include "StationLookups.h"
#include "ViewLayout.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QLabel>
#include <QStatusTipEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QStatusBar>
#include <QTableView>
#include <QVBoxLayout>

#include <map>

namespace {

// A line of the header band for a screen reader: it has the band's text but
// paints nothing (the view paints the band) and lets the mouse through.
class BandLine : public QLabel {
public:
    explicit BandLine(QWidget* parent) : QLabel(parent) { setAttribute(Qt::WA_TransparentForMouseEvents); }

protected:
    void paintEvent(QPaintEvent*) override {}
};

}  // namespace

CKuvoraView::CKuvoraView(CKuvoraDoc* doc, QWidget* parent) : QWidget(parent), m_pDoc(doc) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setMinimumSize(200, view::kHeaderBandHeight);
    m_pBand = new QWidget(this);
    m_pBand->setObjectName(QStringLiteral("headerBand"));
    m_pBand->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_pBand->setAccessibleName(tr("カードの情報"));
    m_pBand->setGeometry(0, 0, width(), view::kHeaderBandHeight);
    CreateGrid();
    UpdateBandLines();
}

CKuvoraView::~CKuvoraView() { SaveColumnWidths(); }

void CKuvoraView::CreateGrid() {
    m_pModel = new CHistoryModel(m_pDoc, this);
    m_pGrid = new QTableView(this);
    m_pGrid->setObjectName(QStringLiteral("historyGrid"));
    m_pGrid->setAccessibleName(tr("履歴"));
    m_pGrid->setAccessibleDescription(tr("1 件の履歴が 2 行: 上の行にコード、下の行に名前"));
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
    m_pPlain = new PlainHistoryView(m_pDoc, this);
    m_pPlain->hide();

    // A 未登録 cell says, in its tool tip and the status bar, that a
    // double-click names it.
    m_pModel->SetNameableTest([this](const QModelIndex& index) { return UnknownNameAt(index).has_value(); });
    m_pGrid->setMouseTracking(true);
    connect(m_pGrid, &QAbstractItemView::entered, this, &CKuvoraView::ShowCellPrompt);
    connect(m_pGrid->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { ShowCellPrompt(current); });
    connect(m_pModel, &QAbstractItemModel::modelReset, this, [this] {
        // The model keeps its selection model; the prompt of the old cell goes.
        ShowCellPrompt(QModelIndex());
    });

    m_pEmptyHint = new QLabel(m_pGrid->viewport());
    m_pEmptyHint->setObjectName(QStringLiteral("emptyHint"));
    m_pEmptyHint->setAlignment(Qt::AlignCenter);
    m_pEmptyHint->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_pEmptyHint->setFont(KuvoraFont(11));
    // A card of its own in the middle of the empty rows.
    m_pEmptyHint->setStyleSheet(QStringLiteral(
        "QLabel#emptyHint { background: white; color: rgb(50, 50, 90); border: 1px solid rgb(143, 191, 255);"
        " padding: 18px; }"));
    m_pEmptyHint->hide();
    // Laid out over the whole viewport, whatever its size.
    auto* hintLayout = new QVBoxLayout(m_pGrid->viewport());
    hintLayout->setContentsMargins(16, 16, 16, 16);
    hintLayout->addWidget(m_pEmptyHint, 0, Qt::AlignCenter);

    connect(m_pGrid, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        if (UnknownNameAt(index)) emit NameCodeRequested();
    });
    m_pGrid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_pGrid, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        const QModelIndex index = m_pGrid->indexAt(at);
        QMenu menu(this);
        QAction* name = menu.addAction(tr("駅名を登録..."));
        name->setEnabled(UnknownNameAt(index).has_value());
        connect(name, &QAction::triggered, this, [this, index] {
            m_pGrid->setCurrentIndex(index);
            emit NameCodeRequested();
        });
        menu.exec(m_pGrid->viewport()->mapToGlobal(at));
    });
}

std::optional<CKuvoraView::UnknownName> CKuvoraView::UnknownNameAt(const QModelIndex& index) const {
    if (!index.isValid() || index.column() >= view::kGridColumns) return std::nullopt;
    const int record = index.row() / 2;
    const view::GridColumn& c = view::Column(index.column());
    const int column = index.row() % 2 == 1 ? c.lower : c.upper;
    using namespace history;
    NameSide side;
    if (column == DepartureStation || column == DepartureCompany) side = NameSide::Departure;
    else if (column == ArrivalStation || column == ArrivalCompany) side = NameSide::Arrival;
    else return std::nullopt;
    if (record >= m_pDoc->m_nRows || m_pDoc->m_History.Text(column, record) != UnregisteredName()) return std::nullopt;
    std::optional<NameKey> key = NameKeyOfRow(*m_pDoc, record, side);
    if (!key) return std::nullopt;
    return UnknownName{record, side, *key};
}

QModelIndex CKuvoraView::FirstUnknownNameCell() const {
    // One card object decodes every row (a card object opens its lookups).
    NameKeyFinder finder;
    const QString unknown = UnregisteredName();
    const int records = m_pModel->Records();
    for (int record = 0; record < records; ++record)
        for (int row = 2 * record; row <= 2 * record + 1; ++row)
            for (int column = 0; column < view::kGridColumns; ++column) {
                const view::GridColumn& c = view::Column(column);
                const int shown = row % 2 == 1 ? c.lower : c.upper;
                using namespace history;
                const bool departure = shown == DepartureStation || shown == DepartureCompany;
                const bool arrival = shown == ArrivalStation || shown == ArrivalCompany;
                if ((!departure && !arrival) || m_pDoc->m_History.Text(shown, record) != unknown) continue;
                if (finder.KeyOf(m_pDoc->m_nCardType, m_pDoc->m_nIssuerKind,
                                 m_pDoc->m_History.Text(BlockData, record),
                                 departure ? NameSide::Departure : NameSide::Arrival))
                    return m_pModel->index(row, column);
            }
    return QModelIndex();
}

void CKuvoraView::SetEmptyHint(const QString& text) {
    m_pEmptyHint->setText(text);
    UpdateEmptyHint();
}

void CKuvoraView::UpdateEmptyHint() {
    // Until a card (or a stored card) is shown: no IDm and no row with a block.
    bool empty = m_pDoc && m_pDoc->m_strIDm.isEmpty();
    for (int r = 0; empty && r < m_pModel->Records(); ++r)
        empty = m_pDoc->m_History.Text(history::BlockData, r).isEmpty();
    m_pEmptyHint->setVisible(empty && !m_pEmptyHint->text().isEmpty());
}

void CKuvoraView::ShowCellPrompt(const QModelIndex& index) {
    const QString text = index.isValid() ? index.data(Qt::StatusTipRole).toString() : QString();
    // Other messages of the status bar stay unless a prompt of ours is there.
    if (text.isEmpty() && !m_bCellPrompt) return;
    m_bCellPrompt = !text.isEmpty();
    QStatusTipEvent tip(text);
    QCoreApplication::sendEvent(this, &tip);
}

void CKuvoraView::SetPlainView(bool on) {
    if (on && !IsPlainView()) m_pPlain->Refresh();
    m_pPlain->setGeometry(m_pGrid->geometry());
    m_pPlain->setVisible(on);
    m_pGrid->setVisible(!on);
}

bool CKuvoraView::IsPlainView() const { return !m_pPlain->isHidden(); }

void CKuvoraView::SaveColumnWidths() const {
    if (!m_pGrid) return;
    const settings::WriteTogether oneWrite;
    for (int i = 0; i < view::kGridColumns; ++i)
        settings::WriteInt(QStringLiteral("ColWith%1").arg(i),
                           m_pGrid->isColumnHidden(i) ? 0 : m_pGrid->columnWidth(i));
}

void CKuvoraView::UpdateBandLines() {
    const QStringList lines = m_pDoc ? view::HeaderBandLines(*m_pDoc) : QStringList();
    while (m_BandLines.size() > static_cast<std::size_t>(lines.size())) {
        delete m_BandLines.back();
        m_BandLines.pop_back();
    }
    const int height = view::kHeaderBandHeight / std::max<qsizetype>(1, lines.size());
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (static_cast<std::size_t>(i) == m_BandLines.size()) {
            m_BandLines.push_back(new BandLine(m_pBand));
            m_BandLines.back()->show();
        }
        QLabel* line = m_BandLines[static_cast<std::size_t>(i)];
        line->setGeometry(view::kLabelX, static_cast<int>(i) * height, m_pBand->width() - view::kLabelX, height);
        if (line->text() != lines[i]) line->setText(lines[i]);
    }
}

void CKuvoraView::OnUpdate() {
    m_pModel->Refresh();
    UpdateBandLines();
    UpdateEmptyHint();
    if (IsPlainView()) m_pPlain->Refresh();  // else when it is shown
    update();
}

void CKuvoraView::SelectAll() {
    if (IsPlainView()) m_pPlain->Table()->selectAll();
    else m_pGrid->selectAll();
}

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
    // Each text over its box in the band colour: a later text covers what an
    // earlier one left there.
    for (const PlacedText& t : HeaderBandTexts(*m_pDoc)) DrawOpaqueText(p, QPointF(t.x, t.y), t.text, BandColour());
    p.setPen(QColor(160, 0, 0));
    for (const PlacedText& t : StoredHistoryNote(*m_pDoc)) DrawOpaqueText(p, QPointF(t.x, t.y), t.text, BandColour());
}

void CKuvoraView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (m_pBand) {
        m_pBand->setGeometry(0, 0, width(), view::kHeaderBandHeight);
        UpdateBandLines();
    }
    if (m_pGrid)
        m_pGrid->setGeometry(0, view::kHeaderBandHeight, width(), std::max(0, height() - view::kHeaderBandHeight));
    if (m_pPlain && m_pGrid) m_pPlain->setGeometry(m_pGrid->geometry());
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
        bar->showMessage(tr("カードのサービス情報を %1 に書き出しています...").arg(ServiceDumpFileName()));
        bar->repaint();
    }
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    WriteServiceDump();
    QApplication::restoreOverrideCursor();
    if (bar) bar->clearMessage();
    window()->update();
}

QString CKuvoraView::SelectedCellsText() const {
    const QModelIndexList selected = m_pGrid->selectionModel()->selectedIndexes();
    if (selected.isEmpty()) return QString();
    int top = selected.first().row(), bottom = top, left = selected.first().column(), right = left;
    std::map<std::pair<int, int>, QString> cells;
    for (const QModelIndex& index : selected) {
        top = std::min(top, index.row());
        bottom = std::max(bottom, index.row());
        left = std::min(left, index.column());
        right = std::max(right, index.column());
        cells[{index.row(), index.column()}] = index.data().toString();
    }
    QStringList lines;
    for (int row = top; row <= bottom; ++row) {
        QStringList line;
        for (int column = left; column <= right; ++column) {
            auto it = cells.find({row, column});
            line << (it == cells.end() ? QString() : it->second);
        }
        lines << line.join(QLatin1Char('\t'));
    }
    return lines.join(QLatin1Char('\n'));
}

void CKuvoraView::OnEditCopy() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) {
        ShowMessage(tr("クリップボードを開くことができません。\n(Clean)"));
        return;
    }
    clipboard->clear();
    if (IsPlainView()) {
        clipboard->setText(m_pPlain->SelectedText());
        return;
    }
    const QString text = SelectedCellsText();
    auto textOnly = [&text] {
        auto* data = new QMimeData;
        if (!text.isEmpty()) data->setText(text);
        return data;
    };
    const QString footer = view::FooterLine(QDateTime::currentDateTime());
    const QByteArray png = view::PicturePng(m_pDoc, footer);
    const QByteArray svg = png.isEmpty() ? QByteArray() : view::PictureSvg(m_pDoc, footer);
    if (png.isEmpty() || svg.isEmpty()) {
        // The text stays on the clipboard without the picture.
        clipboard->setMimeData(textOnly());
        ShowMessage(tr("拡張メタファイルの作成に失敗しました。"));
        return;
    }
    QMimeData* data = textOnly();
    data->setData(QStringLiteral("image/png"), png);
    data->setData(QStringLiteral("image/svg+xml"), svg);
    clipboard->setMimeData(data);
    const QMimeData* held = clipboard->mimeData();
    if (!held || !held->hasFormat(QStringLiteral("image/png")))
        ShowMessage(tr("クリップボードヘEMFが転送できません。"));
}

QPrinter* CKuvoraView::Printer() {
    if (!m_pPrinter) m_pPrinter = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return m_pPrinter.get();
}

void CKuvoraView::PrintPage(QPrinter* printer) const {
    // One page only, whatever the number of rows.
    printer->setFromTo(1, 1);
    QPainter painter;
    if (!painter.begin(printer)) return;
    view::DrawPrintedPage(painter, m_pDoc, view::FooterLine(QDateTime::currentDateTime()));
    painter.end();
}

void CKuvoraView::OnFilePrint(bool withDialog) {
    QPrinter* printer = Printer();
    if (withDialog) {
        QPrintDialog dialog(printer, this);
        dialog.setMinMax(1, 1);
        dialog.setFromTo(1, 1);
        if (dialog.exec() != QDialog::Accepted) return;
    }
    PrintPage(printer);
}

void CKuvoraView::OnFilePrintPreview() {
    QPrintPreviewDialog preview(Printer(), this);
    preview.setWindowTitle(tr("印刷プレビュー"));
    connect(&preview, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* printer) { PrintPage(printer); });
    preview.exec();
}

void CKuvoraView::OnFilePrintSetup() {
    QPageSetupDialog dialog(Printer(), this);
    dialog.exec();
}
