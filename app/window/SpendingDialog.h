// 利用集計: the shown card's totals per month and its balance over time, and
// 交通費の一覧: its fares of a date range, for expense claims. Both work on the
// document's display rows, so a card just read and a stored card alike.
#pragma once

#include "Spending.h"

#include <QDialog>
#include <QWidget>

class CKuvoraDoc;
class QDateEdit;
class QLabel;
class QPainter;
class QTableWidget;

// Draws the balance series as a step line in `area`: yen on the left, dates
// (or the record order, for a card that records no date) along the bottom.
void DrawBalanceChart(QPainter& painter, const QRectF& area, const std::vector<BalancePoint>& series);
// The chart as a PNG or, for a path ending in .svg, an SVG file, written
// whole through a temporary file; false when it could not be written.
bool SaveBalanceChart(const QString& path, const std::vector<BalancePoint>& series, QSize size);

class BalanceChart : public QWidget {
public:
    explicit BalanceChart(std::vector<BalancePoint> series, QWidget* parent = nullptr);
    QSize sizeHint() const override { return {560, 260}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<BalancePoint> m_Series;
};

class SpendingDialog : public QDialog {
    Q_OBJECT
public:
    explicit SpendingDialog(const CKuvoraDoc& doc, QWidget* parent = nullptr);

    QTableWidget* Totals() const { return m_pTotals; }
    // The chart at the size shown; false when the file could not be written.
    bool SaveChart(const QString& path) const;
    void ShowJourneys();

private:
    const CKuvoraDoc& m_Doc;
    std::vector<SpendingRow> m_Rows;
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
    bool SaveCsv(const QString& path) const;
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
