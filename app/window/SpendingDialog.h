// 利用集計: the shown card's totals per month and its balance over time, and
// 交通費の一覧: its fares of a date range, for expense claims. Both work on the
// document's display rows, so a card just read and a stored card alike.
#pragma once

#include "Spending.h"

#include <QDate>
#include <QDialog>
#include <QWidget>

class CKuvoraDoc;
class QDateEdit;
class QFontMetricsF;
class QLabel;
class QPainter;
class QPrinter;
class QTableWidget;

// The yen axis of the balance chart: round steps (100, 200, 500, 1,000,
// 2,000, 5,000 ... yen), at most five of them up to the top.
struct YenAxis {
    qint64 step = 1000;
    qint64 top = 1000;
};
YenAxis YenAxisFor(qint64 highest);
// "1,000円".
QString YenTickText(qint64 yen);
// The months labelled along the date axis between `first` and `last`: the
// first day of each month in the range, every second, third, sixth or
// twelfth one when more than `most` would be; the month of `first` when the
// range starts and ends in one month.
std::vector<QDate> MonthTicks(const QDate& first, const QDate& last, int most);
// The chart's title: the card's nickname, when it has one, and its type.
QString BalanceChartTitle(const QString& nickname, const QString& cardTypeName);
// A step's tool tip: its date (yyyy/MM/dd), its trade and the balance.
QString BalancePointToolTip(const BalancePoint& point);

// Draws the balance series as a step line in `area`: the title on top, yen
// on the left, dates (yyyy/MM; the record order for a card that records no
// date) along the bottom, each axis with its title.
void DrawBalanceChart(QPainter& painter, const QRectF& area, const std::vector<BalancePoint>& series,
                      const QString& title = QString());
// Where DrawBalanceChart puts each point of the series in `area`.
std::vector<QPointF> BalanceChartPoints(const QFontMetricsF& metrics, const QRectF& area,
                                        const std::vector<BalancePoint>& series);
// The chart as a PNG or, for a path ending in .svg, an SVG file, written
// whole through a temporary file; false when it could not be written.
bool SaveBalanceChart(const QString& path, const std::vector<BalancePoint>& series, QSize size,
                      const QString& title = QString());

class BalanceChart : public QWidget {
public:
    explicit BalanceChart(std::vector<BalancePoint> series, QString title = QString(), QWidget* parent = nullptr);
    QSize sizeHint() const override { return {560, 280}; }
    const QString& Title() const { return m_strTitle; }
    // The point drawn nearest to `at` (within a few pixels across), or -1.
    int PointAt(const QPoint& at) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    std::vector<BalancePoint> m_Series;
    QString m_strTitle;
};

class SpendingDialog : public QDialog {
    Q_OBJECT
public:
    explicit SpendingDialog(const CKuvoraDoc& doc, QWidget* parent = nullptr);

    QTableWidget* Totals() const { return m_pTotals; }
    // The chart at the size shown; false when the file could not be written.
    bool SaveChart(const QString& path) const;
    BalanceChart* Chart() const { return m_pChart; }
    void ShowJourneys();

private:
    const CKuvoraDoc& m_Doc;
    std::vector<SpendingRow> m_Rows;
    QString m_strChartTitle;
    QTableWidget* m_pTotals = nullptr;
    BalanceChart* m_pChart = nullptr;
};

class JourneysDialog : public QDialog {
    Q_OBJECT
public:
    explicit JourneysDialog(const CKuvoraDoc& doc, QWidget* parent = nullptr);

    // Shows the journeys of [from, to] (both included).
    void SetRange(const QDate& from, const QDate& to);
    const std::vector<Journey>& Shown() const { return m_Journeys; }
    QTableWidget* Table() const { return m_pTable; }
    QLabel* TotalLabel() const { return m_pTotal; }
    // The shown journeys as an expense claim: the card, the period and the
    // lines with their total.
    ExpenseClaim Claim() const;
    // The claim as CSV for a spreadsheet, as an A4 PDF, or on a printer;
    // false when it could not be written or drawn.
    bool SaveCsv(const QString& path) const;
    bool SavePdf(const QString& path) const;
    bool Print(QPrinter& printer) const;
    // The journeys as tab-separated text on the clipboard.
    void CopyText() const;

private:
    void Refresh();

    const CKuvoraDoc& m_Doc;
    std::vector<SpendingRow> m_Rows;
    std::vector<Journey> m_Journeys;
    QDateEdit* m_pFrom = nullptr;
    QDateEdit* m_pTo = nullptr;
    QTableWidget* m_pTable = nullptr;
    QLabel* m_pTotal = nullptr;
};
