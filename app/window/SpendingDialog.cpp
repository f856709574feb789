#include "SpendingDialog.h"

#include "CKuvoraDoc.h"
#include "CHistoryTable.h"
#include "ExpenseClaimPage.h"
#include "HistoryExport.h"
#include "ShownText.h"
#include "StoredHistory.h"

#include <QBuffer>
#include <QClipboard>
#include <QDateEdit>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QStandardPaths>
#include <QSvgGenerator>
#include <QTableWidget>
#include <QToolTip>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

const QColor kLine(0, 102, 204);
const QColor kGrid(220, 220, 220);

QString yen(qint64 amount) { return QLocale(QLocale::Japanese).toString(amount); }

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
    QMessageBox::warning(parent, QStringLiteral("Kuvora"), SpendingDialog::tr("ファイルを保存できません。"));
}

QString startFolder() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

// The dialog's bottom row: its buttons on the left, 閉じる on the right.
std::vector<QPushButton*> addButtons(QDialog* dialog, QVBoxLayout* layout, const QStringList& texts) {
    auto* row = new QHBoxLayout;
    std::vector<QPushButton*> buttons;
    for (const QString& text : texts) {
        buttons.push_back(new QPushButton(text, dialog));
        row->addWidget(buttons.back());
    }
    auto* close = new QPushButton(SpendingDialog::tr("閉じる"), dialog);
    row->addStretch();
    row->addWidget(close);
    layout->addLayout(row);
    QObject::connect(close, &QPushButton::clicked, dialog, &QDialog::accept);
    return buttons;
}

// The nickname the user gave the shown card in the stored-cards dock, or empty.
QString cardNickname(const CKuvoraDoc& doc) {
    if (doc.m_strIDm.isEmpty()) return QString();
    CHistoryTable table;
    std::vector<StoredCard> cards;
    QString error;
    if (!ListStoredCards(table, cards, error, doc.m_strIDm)) return QString();
    for (const StoredCard& c : cards)
        if (c.cardType == doc.m_nCardType) return c.nickname;
    return QString();
}

QString cardLine(const CKuvoraDoc& doc) {
    return SpendingDialog::tr("%1  IDm %2  (%n 件)", nullptr, doc.m_nRows)
        .arg(ShownText(doc.m_strCardTypeName), doc.m_strIDm);
}

}  // namespace

YenAxis YenAxisFor(qint64 highest) {
    static const qint64 steps[] = {100, 200, 500, 1000, 2000, 5000, 10000, 20000, 50000, 100000, 200000, 500000};
    highest = std::max<qint64>(highest, 1);
    qint64 step = 1000000;
    for (qint64 s : steps)
        if ((highest + s - 1) / s <= 5) {
            step = s;
            break;
        }
    // Far beyond any card's balance: a power of ten's multiple all the same.
    while ((highest + step - 1) / step > 5) step *= 10;
    return {step, (highest + step - 1) / step * step};
}

QString YenTickText(qint64 amount) { return SpendingDialog::tr("%1円").arg(yen(amount)); }

std::vector<QDate> MonthTicks(const QDate& first, const QDate& last, int most) {
    std::vector<QDate> months;
    if (!first.isValid() || !last.isValid() || last < first) return months;
    QDate m(first.year(), first.month(), 1);
    if (m < first) m = m.addMonths(1);
    for (; m <= last; m = m.addMonths(1)) months.push_back(m);
    if (months.empty()) return {QDate(first.year(), first.month(), 1)};
    most = std::max(1, most);
    for (int every : {1, 2, 3, 6, 12, 24, 60, 120}) {
        std::vector<QDate> kept;
        for (const QDate& d : months)
            if ((d.year() * 12 + d.month() - 1) % every == 0) kept.push_back(d);
        if (static_cast<int>(kept.size()) <= most || every == 120) return kept.empty() ? months : kept;
    }
    return months;
}

QString BalanceChartTitle(const QString& nickname, const QString& cardTypeName) {
    const QString card = nickname.isEmpty() ? cardTypeName
                         : cardTypeName.isEmpty() ? nickname
                                                  : SpendingDialog::tr("%1（%2）").arg(nickname, cardTypeName);
    return card.isEmpty() ? SpendingDialog::tr("残高の推移") : SpendingDialog::tr("残高の推移 — %1").arg(card);
}

namespace {

QString slashDate(const QString& iso) {
    const QDate d = QDate::fromString(iso, Qt::ISODate);
    return d.isValid() ? d.toString(QStringLiteral("yyyy/MM/dd")) : QString();
}

// Where the chart's parts go in `area`.
struct ChartGeometry {
    QRectF plot;
    YenAxis axis;
    bool dated = false;
    double first = 0, span = 1;  // the first value along the bottom and the range
    std::vector<double> at;      // each point's value along the bottom
    double x(double v) const { return plot.left() + (v - first) / span * plot.width(); }
    double y(qint64 v) const { return plot.bottom() - double(v) / double(axis.top) * plot.height(); }
};

ChartGeometry chartGeometry(const QFontMetricsF& fm, const QRectF& area, const std::vector<BalancePoint>& series) {
    ChartGeometry g;
    qint64 highest = 0;
    for (const BalancePoint& p : series) highest = std::max(highest, p.balance);
    g.axis = YenAxisFor(highest);
    // Left: the axis title, then the widest tick text; top: the chart title;
    // bottom: the dates and the axis title.
    const double left = fm.height() + 8 + fm.horizontalAdvance(YenTickText(g.axis.top)) + 8;
    g.plot = area.adjusted(left, 2 * fm.height() + 14, -20, -(2 * fm.height() + 14));
    // Along the bottom: the day of each record when every record has one,
    // else its place in the order.
    g.dated = !series.empty() &&
              std::all_of(series.begin(), series.end(), [](const BalancePoint& p) { return IsIsoDate(p.date); });
    for (std::size_t i = 0; i < series.size(); ++i)
        g.at.push_back(g.dated ? double(QDate::fromString(series[i].date, Qt::ISODate).toJulianDay()) : double(i));
    if (!g.at.empty()) {
        g.first = g.at.front();
        g.span = std::max(1.0, g.at.back() - g.first);
    }
    return g;
}

}  // namespace

std::vector<QPointF> BalanceChartPoints(const QFontMetricsF& metrics, const QRectF& area,
                                        const std::vector<BalancePoint>& series) {
    const ChartGeometry g = chartGeometry(metrics, area, series);
    std::vector<QPointF> points;
    for (std::size_t i = 0; i < series.size(); ++i) points.emplace_back(g.x(g.at[i]), g.y(series[i].balance));
    return points;
}

QString BalancePointToolTip(const BalancePoint& point) {
    QString head = slashDate(point.date);
    if (head.isEmpty()) head = SpendingDialog::tr("日付なし");
    if (!point.trade.isEmpty()) head += QStringLiteral("  ") + point.trade;
    return SpendingDialog::tr("%1\n残高 %2").arg(head, YenTickText(point.balance));
}

void DrawBalanceChart(QPainter& painter, const QRectF& area, const std::vector<BalancePoint>& series,
                      const QString& title) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(area, Qt::white);
    const QFontMetricsF fm(painter.font());
    painter.setPen(Qt::black);
    painter.drawText(area.adjusted(4, 4, -4, 0), Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine,
                     title.isEmpty() ? SpendingDialog::tr("残高の推移") : title);
    if (series.empty()) {
        painter.drawText(area, Qt::AlignCenter, SpendingDialog::tr("残高の記録がありません"));
        painter.restore();
        return;
    }
    const ChartGeometry g = chartGeometry(fm, area, series);
    const QRectF& plot = g.plot;

    // The yen axis: a line and a label at each round step.
    for (qint64 value = 0; value <= g.axis.top; value += g.axis.step) {
        painter.setPen(kGrid);
        if (value > 0) painter.drawLine(QPointF(plot.left(), g.y(value)), QPointF(plot.right(), g.y(value)));
        painter.setPen(Qt::black);
        const double labelLeft = area.left() + fm.height() + 8;
        painter.drawText(QRectF(labelLeft, g.y(value) - fm.height() / 2, plot.left() - labelLeft - 6, fm.height()),
                         Qt::AlignRight | Qt::AlignVCenter, YenTickText(value));
    }
    painter.setPen(Qt::black);
    painter.drawLine(plot.bottomLeft(), plot.bottomRight());
    painter.drawLine(plot.bottomLeft(), plot.topLeft());

    // The axis titles: 残高 (円) upright along the left, 日付 under the dates.
    painter.save();
    painter.translate(area.left() + 4, plot.center().y());
    painter.rotate(-90);
    painter.drawText(QRectF(-plot.height() / 2, 0, plot.height(), fm.height() + 2), Qt::AlignCenter,
                     SpendingDialog::tr("残高 (円)"));
    painter.restore();
    painter.drawText(QRectF(plot.left(), plot.bottom() + fm.height() + 8, plot.width(), fm.height() + 2),
                     Qt::AlignHCenter | Qt::AlignTop, g.dated ? SpendingDialog::tr("日付") : SpendingDialog::tr("記録の順"));

    // Along the bottom: the months (yyyy/MM), or the record numbers.
    auto label = [&](double v, const QString& text) {
        const double w = fm.horizontalAdvance(text);
        const double left = std::clamp(g.x(v) - w / 2, area.left(), area.right() - w - 2);
        painter.setPen(kGrid);
        painter.drawLine(QPointF(g.x(v), plot.bottom()), QPointF(g.x(v), plot.bottom() + 3));
        painter.setPen(Qt::black);
        painter.drawText(QRectF(left, plot.bottom() + 4, w + 2, fm.height()), Qt::AlignLeft, text);
    };
    if (g.dated) {
        const QDate first = QDate::fromJulianDay(qint64(g.at.front()));
        const QDate last = QDate::fromJulianDay(qint64(g.at.back()));
        const double width = fm.horizontalAdvance(QStringLiteral("0000/00")) + 16;
        const int most = std::max(1, int(plot.width() / width));
        for (const QDate& month : MonthTicks(first, last, most))
            label(std::max(double(month.toJulianDay()), g.first), month.toString(QStringLiteral("yyyy/MM")));
    } else {
        const int labels = series.size() == 1 ? 1 : 3;
        for (int i = 0; i < labels; ++i) {
            const double v = labels == 1 ? g.first : g.first + g.span * i / (labels - 1);
            label(v, QString::number(qint64(std::llround(v)) + 1));
        }
    }

    // The balance holds until the next record: a step line.
    QPainterPath path(QPointF(g.x(g.at[0]), g.y(series[0].balance)));
    for (std::size_t i = 1; i < series.size(); ++i) {
        path.lineTo(g.x(g.at[i]), g.y(series[i - 1].balance));
        path.lineTo(g.x(g.at[i]), g.y(series[i].balance));
    }
    painter.setPen(QPen(kLine, 2));
    painter.drawPath(path);
    painter.setBrush(kLine);
    for (std::size_t i = 0; i < series.size(); ++i)
        painter.drawEllipse(QPointF(g.x(g.at[i]), g.y(series[i].balance)), 2.5, 2.5);
    painter.restore();
}

bool SaveBalanceChart(const QString& path, const std::vector<BalancePoint>& series, QSize size, const QString& title) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (QFileInfo(path).suffix().compare(QLatin1String("svg"), Qt::CaseInsensitive) == 0) {
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(size);
        svg.setViewBox(QRect(QPoint(0, 0), size));
        svg.setTitle(title.isEmpty() ? SpendingDialog::tr("残高の推移") : title);
        QPainter painter;
        if (!painter.begin(&svg)) return false;
        DrawBalanceChart(painter, QRectF(QPointF(0, 0), size), series, title);
        painter.end();
    } else {
        QImage image(size, QImage::Format_ARGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        DrawBalanceChart(painter, QRectF(QPointF(0, 0), size), series, title);
        painter.end();
        if (!image.save(&buffer, "PNG")) return false;
    }
    return WriteFileReplacing(path, bytes);
}

BalanceChart::BalanceChart(std::vector<BalancePoint> series, QString title, QWidget* parent)
    : QWidget(parent), m_Series(std::move(series)), m_strTitle(std::move(title)) {
    setObjectName(QStringLiteral("balanceChart"));
    setMinimumSize(360, 220);
    setMouseTracking(true);
}

void BalanceChart::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    DrawBalanceChart(painter, rect(), m_Series, m_strTitle);
}

int BalanceChart::PointAt(const QPoint& at) const {
    const std::vector<QPointF> points = BalanceChartPoints(QFontMetricsF(font()), rect(), m_Series);
    int nearest = -1;
    double best = 8;  // pixels across
    for (std::size_t i = 0; i < points.size(); ++i) {
        const double dx = std::abs(points[i].x() - at.x());
        // Points on one day: the last of them is the day's closing balance.
        if (dx <= best) {
            best = dx;
            nearest = static_cast<int>(i);
        }
    }
    return nearest;
}

bool BalanceChart::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const int i = PointAt(help->pos());
        if (i >= 0) QToolTip::showText(help->globalPos(), BalancePointToolTip(m_Series[static_cast<std::size_t>(i)]), this);
        else QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}

SpendingDialog::SpendingDialog(const CKuvoraDoc& doc, QWidget* parent)
    : QDialog(parent), m_Doc(doc), m_Rows(ClassifyRows(doc.m_nCardType, doc.m_History, doc.m_nRows)),
      m_strChartTitle(BalanceChartTitle(cardNickname(doc), ShownText(doc.m_strCardTypeName))) {
    setWindowTitle(tr("利用集計"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(cardLine(doc), this));

    m_pTotals = makeTable({tr("月"), tr("運賃 (円)"), tr("物販 (円)"), tr("チャージ (円)")}, this);
    m_pTotals->setObjectName(QStringLiteral("totals"));
    m_pTotals->setAccessibleName(tr("月ごとの合計"));
    const std::vector<MonthTotals> months = MonthlyTotals(m_Rows);
    MonthTotals total;
    total.month = tr("合計");
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
        setCell(m_pTotals, i, 0, m.month.isEmpty() ? tr("日付なし") : m.month, false);
        setCell(m_pTotals, i, 1, yen(m.fares), true);
        setCell(m_pTotals, i, 2, yen(m.purchases), true);
        setCell(m_pTotals, i, 3, yen(m.charges), true);
    }
    m_pTotals->setMinimumHeight(150);
    layout->addWidget(m_pTotals, 1);

    m_pChart = new BalanceChart(BalanceSeries(m_Rows), m_strChartTitle, this);
    layout->addWidget(m_pChart, 2);

    const std::vector<QPushButton*> buttons =
        addButtons(this, layout, {tr("グラフを保存(&S)..."), tr("交通費の一覧(&J)...")});
    QPushButton* save = buttons[0];
    QPushButton* journeys = buttons[1];
    connect(journeys, &QPushButton::clicked, this, &SpendingDialog::ShowJourneys);
    connect(save, &QPushButton::clicked, this, [this] {
        QString filter;
        QString path = QFileDialog::getSaveFileName(this, tr("グラフを保存"), startFolder() + tr("/残高の推移.png"),
                                                    tr("PNG 画像 (*.png);;SVG 画像 (*.svg)"), &filter);
        if (path.isEmpty()) return;
        if (QFileInfo(path).suffix().isEmpty()) path += filter.contains(QLatin1String("svg")) ? ".svg" : ".png";
        if (!SaveChart(path)) cannotSave(this);
    });
    resize(640, 600);
}

bool SpendingDialog::SaveChart(const QString& path) const {
    return SaveBalanceChart(path, BalanceSeries(m_Rows), m_pChart->size().expandedTo(m_pChart->sizeHint()),
                            m_strChartTitle);
}

void SpendingDialog::ShowJourneys() {
    JourneysDialog dialog(m_Doc, this);
    dialog.exec();
}

JourneysDialog::JourneysDialog(const CKuvoraDoc& doc, QWidget* parent)
    : QDialog(parent), m_Doc(doc), m_Rows(ClassifyRows(doc.m_nCardType, doc.m_History, doc.m_nRows)) {
    setWindowTitle(tr("交通費の一覧"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(cardLine(doc), this));
    auto* range = new QHBoxLayout;
    m_pFrom = new QDateEdit(this);
    m_pTo = new QDateEdit(this);
    for (QDateEdit* edit : {m_pFrom, m_pTo}) {
        edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        edit->setCalendarPopup(true);
    }
    m_pFrom->setAccessibleName(tr("期間の始め"));
    m_pTo->setAccessibleName(tr("期間の終わり"));
    auto* rangeLabel = new QLabel(tr("期間(&F):"), this);
    rangeLabel->setBuddy(m_pFrom);
    range->addWidget(rangeLabel);
    range->addWidget(m_pFrom);
    range->addWidget(new QLabel(tr("～"), this));
    range->addWidget(m_pTo);
    range->addStretch();
    layout->addLayout(range);
    m_pTable = makeTable({tr("日付"), tr("種別"), tr("乗車"), tr("降車"), tr("運賃 (円)")}, this);
    m_pTable->setAccessibleName(tr("運賃の一覧"));
    layout->addWidget(m_pTable, 1);
    m_pTotal = new QLabel(this);
    m_pTotal->setAlignment(Qt::AlignRight);
    layout->addWidget(m_pTotal);
    const std::vector<QPushButton*> buttons =
        addButtons(this, layout, {tr("CSV で保存(&S)..."), tr("テキストでコピー(&C)"), tr("印刷(&P)..."), tr("PDF で保存(&D)...")});
    connect(buttons[1], &QPushButton::clicked, this, &JourneysDialog::CopyText);
    // Asks where to save, with the period in the file's name.
    using Save = bool (JourneysDialog::*)(const QString&) const;
    auto ask = [this](const QString& title, const QString& suffix, const QString& filter, Save save) {
        QString path = QFileDialog::getSaveFileName(
            this, title,
            startFolder() + tr("/交通費_%1_%2.%3")
                                .arg(m_pFrom->date().toString(Qt::ISODate), m_pTo->date().toString(Qt::ISODate), suffix),
            filter);
        if (path.isEmpty()) return;
        if (QFileInfo(path).suffix().isEmpty()) path += QLatin1Char('.') + suffix;
        if (!(this->*save)(path)) cannotSave(this);
    };
    connect(buttons[0], &QPushButton::clicked, this, [ask] {
        ask(tr("CSV で保存"), QStringLiteral("csv"), tr("CSV ファイル (*.csv)"),
            &JourneysDialog::SaveCsv);
    });
    connect(buttons[3], &QPushButton::clicked, this, [ask] {
        ask(tr("PDF で保存"), QStringLiteral("pdf"), tr("PDF ファイル (*.pdf)"),
            &JourneysDialog::SavePdf);
    });
    connect(buttons[2], &QPushButton::clicked, this, [this] {
        QPrinter printer(QPrinter::HighResolution);
        QPrintDialog dialog(&printer, this);
        dialog.setWindowTitle(tr("交通費明細の印刷"));
        if (dialog.exec() == QDialog::Accepted && !Print(printer))
            QMessageBox::warning(this, QStringLiteral("Kuvora"), tr("印刷できませんでした。"));
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
        setCell(m_pTable, i, 1, JourneyKindText(j.kind), false);
        setCell(m_pTable, i, 2, j.from, false);
        setCell(m_pTable, i, 3, j.to, false);
        setCell(m_pTable, i, 4, yen(j.fare), true);
    }
    m_pTotal->setText(
        tr("%n 件  合計 %1 円", nullptr, static_cast<int>(m_Journeys.size())).arg(yen(JourneysTotal(m_Journeys))));
}

ExpenseClaim JourneysDialog::Claim() const {
    return MakeExpenseClaim(m_Doc, cardNickname(m_Doc), m_pFrom->date().toString(Qt::ISODate),
                            m_pTo->date().toString(Qt::ISODate), m_Journeys);
}

bool JourneysDialog::SaveCsv(const QString& path) const { return WriteExpenseClaimCsv(path, Claim()); }

bool JourneysDialog::SavePdf(const QString& path) const {
    const QByteArray pdf = view::ExpenseClaimPdf(Claim());
    return !pdf.isEmpty() && WriteFileReplacing(path, pdf);
}

bool JourneysDialog::Print(QPrinter& printer) const {
    printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(20, 20, 20, 20),
                                      QPageLayout::Millimeter));
    return view::DrawExpenseClaim(printer, Claim());
}

void JourneysDialog::CopyText() const { QGuiApplication::clipboard()->setText(JourneysText(m_Journeys)); }
