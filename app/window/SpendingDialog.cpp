#include "SpendingDialog.h"

#include "CKuvoraDoc.h"
#include "HistoryExport.h"

#include <QBuffer>
#include <QClipboard>
#include <QDateEdit>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QStandardPaths>
#include <QSvgGenerator>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

const QColor kLine(0, 102, 204);
const QColor kGrid(220, 220, 220);

QString yen(qint64 amount) { return QLocale(QLocale::Japanese).toString(amount); }

// A round top for the yen axis: 1, 2 or 5 times a power of ten, at least `value`.
qint64 roundTop(qint64 value) {
    if (value <= 0) return 1000;
    qint64 step = 1;
    while (step * 10 <= value) step *= 10;
    for (qint64 m : {1, 2, 5, 10})
        if (m * step >= value) return m * step;
    return 10 * step;
}

QTableWidget* makeTable(const QStringList& headers, QWidget* parent) {
    auto* table = new QTableWidget(0, static_cast<int>(headers.size()), parent);
    table->setHorizontalHeaderLabels(headers);
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    return table;
}

void setCell(QTableWidget* table, int row, int column, const QString& text, bool number) {
    auto* item = new QTableWidgetItem(text);
    if (number) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    table->setItem(row, column, item);
}

void cannotSave(QWidget* parent) {
    QMessageBox::warning(parent, QStringLiteral("Kuvora"), QStringLiteral("ファイルを保存できません。"));
}

QString startFolder() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

// The dialog's bottom row: two buttons on the left, 閉じる on the right.
std::pair<QPushButton*, QPushButton*> addButtons(QDialog* dialog, QVBoxLayout* layout, const QString& first,
                                                 const QString& second) {
    auto* row = new QHBoxLayout;
    auto* a = new QPushButton(first, dialog);
    auto* b = new QPushButton(second, dialog);
    auto* close = new QPushButton(QStringLiteral("閉じる"), dialog);
    row->addWidget(a);
    row->addWidget(b);
    row->addStretch();
    row->addWidget(close);
    layout->addLayout(row);
    QObject::connect(close, &QPushButton::clicked, dialog, &QDialog::accept);
    return {a, b};
}

QString cardLine(const CKuvoraDoc& doc) {
    return QStringLiteral("%1  IDm %2  (%3 件)").arg(doc.m_strCardTypeName, doc.m_strIDm).arg(doc.m_nRows);
}

}  // namespace

void DrawBalanceChart(QPainter& painter, const QRectF& area, const std::vector<BalancePoint>& series) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(area, Qt::white);
    const QFontMetricsF fm(painter.font());
    painter.setPen(Qt::black);
    painter.drawText(area.adjusted(0, 4, 0, 0), Qt::AlignHCenter | Qt::AlignTop, QStringLiteral("残高の推移"));
    if (series.empty()) {
        painter.drawText(area, Qt::AlignCenter, QStringLiteral("残高の記録がありません"));
        painter.restore();
        return;
    }
    const QRectF plot = area.adjusted(fm.horizontalAdvance(QStringLiteral("000,000")) + 16, fm.height() + 14, -16,
                                      -(fm.height() + 12));
    qint64 highest = 0;
    for (const BalancePoint& p : series) highest = std::max(highest, p.balance);
    const qint64 top = roundTop(highest);
    // Along the bottom: the day of each record when every record has one,
    // else its place in the order.
    const bool dated = std::all_of(series.begin(), series.end(), [](const BalancePoint& p) { return !p.date.isEmpty(); });
    std::vector<double> at;
    for (std::size_t i = 0; i < series.size(); ++i)
        at.push_back(dated ? double(QDate::fromString(series[i].date, Qt::ISODate).toJulianDay()) : double(i));
    const double first = at.front(), span = std::max(1.0, at.back() - first);
    auto x = [&](double v) { return plot.left() + (v - first) / span * plot.width(); };
    auto y = [&](qint64 v) { return plot.bottom() - double(v) / double(top) * plot.height(); };

    for (int i = 0; i <= 4; ++i) {
        const qint64 value = top * i / 4;
        painter.setPen(kGrid);
        painter.drawLine(QPointF(plot.left(), y(value)), QPointF(plot.right(), y(value)));
        painter.setPen(Qt::black);
        painter.drawText(QRectF(area.left(), y(value) - fm.height() / 2, plot.left() - area.left() - 6, fm.height()),
                         Qt::AlignRight | Qt::AlignVCenter, yen(value));
    }
    painter.setPen(Qt::black);
    painter.drawLine(plot.bottomLeft(), plot.bottomRight());
    painter.drawLine(plot.bottomLeft(), plot.topLeft());
    const int labels = series.size() == 1 ? 1 : 3;
    for (int i = 0; i < labels; ++i) {
        const double v = labels == 1 ? first : first + span * i / (labels - 1);
        const QString text = dated ? QDate::fromJulianDay(qint64(std::llround(v))).toString(Qt::ISODate)
                                   : QString::number(qint64(std::llround(v)) + 1);
        const double w = fm.horizontalAdvance(text);
        const double left = std::clamp(x(v) - w / 2, area.left(), area.right() - w);
        painter.drawText(QRectF(left, plot.bottom() + 4, w + 2, fm.height()), Qt::AlignLeft, text);
    }

    // The balance holds until the next record: a step line.
    QPainterPath path(QPointF(x(at[0]), y(series[0].balance)));
    for (std::size_t i = 1; i < series.size(); ++i) {
        path.lineTo(x(at[i]), y(series[i - 1].balance));
        path.lineTo(x(at[i]), y(series[i].balance));
    }
    painter.setPen(QPen(kLine, 2));
    painter.drawPath(path);
    painter.setBrush(kLine);
    for (std::size_t i = 0; i < series.size(); ++i) painter.drawEllipse(QPointF(x(at[i]), y(series[i].balance)), 2.5, 2.5);
    painter.restore();
}

bool SaveBalanceChart(const QString& path, const std::vector<BalancePoint>& series, QSize size) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (QFileInfo(path).suffix().compare(QLatin1String("svg"), Qt::CaseInsensitive) == 0) {
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(size);
        svg.setViewBox(QRect(QPoint(0, 0), size));
        svg.setTitle(QStringLiteral("残高の推移"));
        QPainter painter;
        if (!painter.begin(&svg)) return false;
        DrawBalanceChart(painter, QRectF(QPointF(0, 0), size), series);
        painter.end();
    } else {
        QImage image(size, QImage::Format_ARGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        DrawBalanceChart(painter, QRectF(QPointF(0, 0), size), series);
        painter.end();
        if (!image.save(&buffer, "PNG")) return false;
    }
    return WriteFileReplacing(path, bytes);
}

BalanceChart::BalanceChart(std::vector<BalancePoint> series, QWidget* parent)
    : QWidget(parent), m_Series(std::move(series)) {
    setMinimumSize(360, 200);
}

void BalanceChart::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    DrawBalanceChart(painter, rect(), m_Series);
}

SpendingDialog::SpendingDialog(const CKuvoraDoc& doc, QWidget* parent)
    : QDialog(parent), m_Doc(doc), m_Rows(ClassifyRows(doc.m_nCardType, doc.m_History, doc.m_nRows)) {
    setWindowTitle(QStringLiteral("利用集計"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(cardLine(doc), this));

    m_pTotals = makeTable({QStringLiteral("月"), QStringLiteral("運賃 (円)"), QStringLiteral("物販 (円)"),
                           QStringLiteral("チャージ (円)")},
                          this);
    m_pTotals->setObjectName(QStringLiteral("totals"));
    const std::vector<MonthTotals> months = MonthlyTotals(m_Rows);
    MonthTotals total;
    total.month = QStringLiteral("合計");
    std::vector<MonthTotals> lines = months;
    for (const MonthTotals& m : months) {
        total.fares += m.fares;
        total.purchases += m.purchases;
        total.charges += m.charges;
    }
    lines.push_back(total);
    m_pTotals->setRowCount(static_cast<int>(lines.size()));
    for (int i = 0; i < static_cast<int>(lines.size()); ++i) {
        const MonthTotals& m = lines[static_cast<std::size_t>(i)];
        setCell(m_pTotals, i, 0, m.month.isEmpty() ? QStringLiteral("日付なし") : m.month, false);
        setCell(m_pTotals, i, 1, yen(m.fares), true);
        setCell(m_pTotals, i, 2, yen(m.purchases), true);
        setCell(m_pTotals, i, 3, yen(m.charges), true);
    }
    m_pTotals->setMinimumHeight(150);
    layout->addWidget(m_pTotals, 1);

    m_pChart = new BalanceChart(BalanceSeries(m_Rows), this);
    layout->addWidget(m_pChart, 2);

    const auto [save, journeys] = addButtons(this, layout, QStringLiteral("グラフを保存(&S)..."),
                                             QStringLiteral("交通費の一覧(&J)..."));
    connect(journeys, &QPushButton::clicked, this, &SpendingDialog::ShowJourneys);
    connect(save, &QPushButton::clicked, this, [this] {
        QString filter;
        QString path = QFileDialog::getSaveFileName(this, QStringLiteral("グラフを保存"),
                                                    startFolder() + QStringLiteral("/残高の推移.png"),
                                                    QStringLiteral("PNG 画像 (*.png);;SVG 画像 (*.svg)"), &filter);
        if (path.isEmpty()) return;
        if (QFileInfo(path).suffix().isEmpty()) path += filter.contains(QLatin1String("svg")) ? ".svg" : ".png";
        if (!SaveChart(path)) cannotSave(this);
    });
    resize(640, 600);
}

bool SpendingDialog::SaveChart(const QString& path) const {
    return SaveBalanceChart(path, BalanceSeries(m_Rows), m_pChart->size().expandedTo(m_pChart->sizeHint()));
}

void SpendingDialog::ShowJourneys() {
    JourneysDialog dialog(m_Doc, this);
    dialog.exec();
}

JourneysDialog::JourneysDialog(const CKuvoraDoc& doc, QWidget* parent)
    : QDialog(parent), m_Doc(doc), m_Rows(ClassifyRows(doc.m_nCardType, doc.m_History, doc.m_nRows)) {
    setWindowTitle(QStringLiteral("交通費の一覧"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(cardLine(doc), this));
    auto* range = new QHBoxLayout;
    m_pFrom = new QDateEdit(this);
    m_pTo = new QDateEdit(this);
    for (QDateEdit* edit : {m_pFrom, m_pTo}) {
        edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        edit->setCalendarPopup(true);
    }
    auto* rangeLabel = new QLabel(QStringLiteral("期間(&F):"), this);
    rangeLabel->setBuddy(m_pFrom);
    range->addWidget(rangeLabel);
    range->addWidget(m_pFrom);
    range->addWidget(new QLabel(QStringLiteral("～"), this));
    range->addWidget(m_pTo);
    range->addStretch();
    layout->addLayout(range);
    m_pTable = makeTable({QStringLiteral("日付"), QStringLiteral("乗車"), QStringLiteral("降車"),
                          QStringLiteral("運賃 (円)")},
                         this);
    layout->addWidget(m_pTable, 1);
    m_pTotal = new QLabel(this);
    m_pTotal->setAlignment(Qt::AlignRight);
    layout->addWidget(m_pTotal);
    const auto [save, copy] = addButtons(this, layout, QStringLiteral("CSV で保存(&S)..."),
                                         QStringLiteral("テキストでコピー(&C)"));
    connect(copy, &QPushButton::clicked, this, &JourneysDialog::CopyText);
    connect(save, &QPushButton::clicked, this, [this] {
        QString path = QFileDialog::getSaveFileName(
            this, QStringLiteral("CSV で保存"),
            startFolder() + QStringLiteral("/交通費_%1_%2.csv")
                                .arg(m_pFrom->date().toString(Qt::ISODate), m_pTo->date().toString(Qt::ISODate)),
            QStringLiteral("CSV ファイル (*.csv)"));
        if (path.isEmpty()) return;
        if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".csv");
        if (!SaveCsv(path)) cannotSave(this);
    });

    // At first the month of the newest fare, up to that fare.
    QDate newest = QDate::currentDate();
    for (const SpendingRow& r : m_Rows)
        if (r.kind == SpendKind::Fare && !r.date.isEmpty()) {
            newest = QDate::fromString(r.date, Qt::ISODate);
            break;
        }
    SetRange(QDate(newest.year(), newest.month(), 1), newest);
    connect(m_pFrom, &QDateEdit::dateChanged, this, &JourneysDialog::Refresh);
    connect(m_pTo, &QDateEdit::dateChanged, this, &JourneysDialog::Refresh);
    resize(560, 480);
}

void JourneysDialog::SetRange(const QDate& from, const QDate& to) {
    const QSignalBlocker a(m_pFrom), b(m_pTo);
    m_pFrom->setDate(from);
    m_pTo->setDate(to);
    Refresh();
}

void JourneysDialog::Refresh() {
    // A read on touch may have changed the document since the last time.
    m_Rows = ClassifyRows(m_Doc.m_nCardType, m_Doc.m_History, m_Doc.m_nRows);
    m_Journeys = Journeys(m_Doc.m_History, m_Rows, m_pFrom->date().toString(Qt::ISODate),
                          m_pTo->date().toString(Qt::ISODate));
    m_pTable->setRowCount(static_cast<int>(m_Journeys.size()));
    for (int i = 0; i < static_cast<int>(m_Journeys.size()); ++i) {
        const Journey& j = m_Journeys[static_cast<std::size_t>(i)];
        setCell(m_pTable, i, 0, j.date, false);
        setCell(m_pTable, i, 1, j.from, false);
        setCell(m_pTable, i, 2, j.to, false);
        setCell(m_pTable, i, 3, yen(j.fare), true);
    }
    m_pTotal->setText(QStringLiteral("%1 件  合計 %2 円").arg(m_Journeys.size()).arg(yen(JourneysTotal(m_Journeys))));
}

bool JourneysDialog::SaveCsv(const QString& path) const { return WriteJourneysCsv(path, m_Journeys); }

void JourneysDialog::CopyText() const { QGuiApplication::clipboard()->setText(JourneysText(m_Journeys)); }
