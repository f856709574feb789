#include "ExpenseClaimPage.h"

#include "KuvoraFonts.h"

#include <QBuffer>
#include <QDate>
#include <QLocale>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>

namespace view {

namespace {

// Millimetres on the page, from the printable area's top left corner.
constexpr qreal kWidth = 170;  // A4 less 20 mm margins on either side
constexpr qreal kLine = 7;
// The table's columns: left edge and width.
struct Column {
    qreal left, width;
};
constexpr Column kColumns[5] = {{0, 26}, {26, 26}, {52, 48}, {100, 48}, {148, 22}};

QString yen(qint64 amount) { return QLocale(QLocale::Japanese).toString(amount); }

// "2026-11-01" as 2026年11月01日, or as the table's 2026/11/01 (both
// 2026-11-01 in English); any other text as it is.
QString dateText(const QString& iso, const QString& format = ExpenseClaimText::tr("yyyy年MM月dd日")) {
    const QDate d = QDate::fromString(iso, Qt::ISODate);
    return d.isValid() ? d.toString(format) : iso;
}

class Page {
public:
    Page(QPainter& painter, qreal dotsPerMm) : m_Painter(painter), m_Scale(dotsPerMm) {}

    QRectF rect(qreal x, qreal y, qreal w, qreal h) const {
        return QRectF(x * m_Scale, y * m_Scale, w * m_Scale, h * m_Scale);
    }
    void text(qreal x, qreal y, qreal w, qreal h, const QString& t, Qt::Alignment align, const QFont& font) {
        m_Painter.setFont(font);
        // A text too long for its cell is shortened with an ellipsis.
        const QString shown = m_Painter.fontMetrics().elidedText(t, Qt::ElideRight, int(w * m_Scale) - 2);
        m_Painter.drawText(rect(x, y, w, h), int(align | Qt::AlignVCenter | Qt::TextSingleLine), shown);
    }
    void line(qreal x1, qreal y1, qreal x2, qreal y2, qreal widthMm) {
        m_Painter.setPen(QPen(Qt::black, widthMm * m_Scale));
        m_Painter.drawLine(QPointF(x1 * m_Scale, y1 * m_Scale), QPointF(x2 * m_Scale, y2 * m_Scale));
    }
    void fill(qreal x, qreal y, qreal w, qreal h, const QColor& colour) { m_Painter.fillRect(rect(x, y, w, h), colour); }

private:
    QPainter& m_Painter;
    qreal m_Scale;
};

// One table row: five cells between lines.
void tableRow(Page& page, qreal y, const QStringList& cells, const QFont& font) {
    for (int c = 0; c < 5; ++c)
        page.text(kColumns[c].left + 1.5, y, kColumns[c].width - 3, kLine, cells.value(c),
                  c == 4 ? Qt::AlignRight : Qt::AlignLeft, font);
    page.line(0, y + kLine, kWidth, y + kLine, 0.1);
}

}  // namespace

int ExpenseClaimPages(const ExpenseClaim& claim) {
    const int lines = static_cast<int>(claim.journeys.size());
    if (lines <= kClaimLinesFirstPage) return 1;
    return 1 + (lines - kClaimLinesFirstPage + kClaimLinesPerPage - 1) / kClaimLinesPerPage;
}

bool DrawExpenseClaim(QPagedPaintDevice& device, const ExpenseClaim& claim) {
    QPainter painter;
    if (!painter.begin(&device)) return false;
    const qreal dotsPerMm = device.logicalDpiX() / 25.4;
    Page page(painter, dotsPerMm);
    const QFont title = [] {
        QFont f = KuvoraProportionalFont(18);
        f.setBold(true);
        return f;
    }();
    const QFont body = KuvoraProportionalFont(10.5);
    QFont bold = body;
    bold.setBold(true);
    const QFont small = KuvoraProportionalFont(8);

    const int pages = ExpenseClaimPages(claim);
    const QString tableDate = ExpenseClaimText::tr("yyyy/MM/dd");
    std::size_t next = 0;
    for (int p = 0; p < pages; ++p) {
        if (p > 0 && !device.newPage()) return false;
        qreal y = 0;
        if (p == 0) {
            page.text(0, y, kWidth, 12, ExpenseClaimText::tr("交通費明細"), Qt::AlignHCenter, title);
            y += 18;
            const std::pair<QString, QString> heads[] = {
                {ExpenseClaimText::tr("カード"), ExpenseClaimCard(claim)},
                {QStringLiteral("IDm"), claim.idm},
                {ExpenseClaimText::tr("期間"),
                 ExpenseClaimText::tr("%1 ～ %2").arg(dateText(claim.from), dateText(claim.to))},
            };
            for (const auto& [label, value] : heads) {
                page.text(0, y, 20, kLine, label, Qt::AlignLeft, bold);
                page.text(20, y, kWidth - 20, kLine, value, Qt::AlignLeft, body);
                y += kLine;
            }
            y += 6;
        } else {
            page.text(0, y, kWidth, kLine, ExpenseClaimText::tr("交通費明細（続き） %1").arg(ExpenseClaimCard(claim)),
                      Qt::AlignLeft, body);
            y += kLine + 3;
        }
        // The table's header, shaded, with a heavier rule above and below.
        page.fill(0, y, kWidth, kLine, QColor(230, 230, 230));
        page.line(0, y, kWidth, y, 0.3);
        tableRow(page, y,
                 {ExpenseClaimText::tr("日付"), ExpenseClaimText::tr("種別"), ExpenseClaimText::tr("乗車"),
                  ExpenseClaimText::tr("降車"), ExpenseClaimText::tr("運賃 (円)")},
                 bold);
        page.line(0, y + kLine, kWidth, y + kLine, 0.3);
        const qreal top = y;
        y += kLine;
        const std::size_t lines = static_cast<std::size_t>(p == 0 ? kClaimLinesFirstPage : kClaimLinesPerPage);
        for (std::size_t n = 0; n < lines && next < claim.journeys.size(); ++n, ++next) {
            const Journey& j = claim.journeys[next];
            tableRow(page, y, {dateText(j.date, tableDate), JourneyKindText(j.kind), j.from, j.to, yen(j.fare)}, body);
            y += kLine;
        }
        if (claim.journeys.empty()) {
            page.text(1.5, y, kWidth - 3, kLine, ExpenseClaimText::tr("この期間の交通費はありません"), Qt::AlignLeft, body);
            page.line(0, y + kLine, kWidth, y + kLine, 0.1);
            y += kLine;
        }
        if (p == pages - 1) {
            page.line(0, y, kWidth, y, 0.3);
            const int count = static_cast<int>(claim.journeys.size());
            tableRow(page, y,
                     {ExpenseClaimText::tr("合計"), ExpenseClaimText::tr("%n 件", nullptr, count), QString(), QString(),
                      yen(JourneysTotal(claim.journeys))},
                     bold);
            y += kLine;
            page.line(0, y, kWidth, y, 0.3);
        }
        // The columns' rules, from the header down.
        for (const Column& c : kColumns) page.line(c.left, top, c.left, y, 0.1);
        page.line(kWidth, top, kWidth, y, 0.1);
        page.text(0, 250, kWidth, 5, QStringLiteral("%1 / %2").arg(p + 1).arg(pages), Qt::AlignHCenter, small);
    }
    return painter.end();
}

QByteArray ExpenseClaimPdf(const ExpenseClaim& claim) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly)) return QByteArray();
    {
        QPdfWriter writer(&buffer);
        writer.setCreator(QStringLiteral("Kuvora"));
        writer.setTitle(ExpenseClaimText::tr("交通費明細"));
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(20, 20, 20, 20),
                                         QPageLayout::Millimeter));
        if (!DrawExpenseClaim(writer, claim)) return QByteArray();
    }
    return bytes;
}

}  // namespace view
