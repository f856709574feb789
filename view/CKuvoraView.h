// CKuvoraView: the one view of the main window. A header band, 130 pixels
// high, painted with the library version, the IDm, the card type, the Edy or
// JMB number and the ticket-gate log; below it a grid over the document's
// history, two grid rows per record.
#pragma once

#include <QWidget>

#include <memory>

#include "CSFCard.h"

#include <optional>
#include <vector>

class CHistoryModel;
class CKuvoraDoc;
class QLabel;
class PlainHistoryView;
class QPrinter;
class QTableView;

class CKuvoraView : public QWidget {
    Q_OBJECT
public:
    explicit CKuvoraView(CKuvoraDoc* doc, QWidget* parent = nullptr);
    ~CKuvoraView() override;

    CKuvoraDoc* GetDocument() const { return m_pDoc; }
    QTableView* Grid() const { return m_pGrid; }
    CHistoryModel* Model() const { return m_pModel; }

    // The document changed: the grid rereads it and the band repaints.
    void OnUpdate();
    // Selects every grid cell (Select All).
    void SelectAll();
    // Saves the grid's column widths; also done when the view goes.
    void SaveColumnWidths() const;

    // The selected grid cells as text: a tab between the cells of a row, a
    // line feed between rows, over the rectangle the selection spans, with
    // unselected cells empty. Empty with nothing selected.
    QString SelectedCellsText() const;
    // Copy: the selected cells as text and the picture of the card's
    // history as SVG and PNG, in one piece of clipboard data.
    void OnEditCopy();
    // Print (with the print dialog, or straight to the printer), Print
    // Preview and Print Setup over one printer kept for the session.
    void OnFilePrint(bool withDialog = true);
    void OnFilePrintPreview();
    void OnFilePrintSetup();
    QPrinter* Printer();
    // Draws the one page on `printer`.
    void PrintPage(QPrinter* printer) const;

    // The plain list in the grid's place below the band (on), or the grid
    // (off, as at the start). Copy then copies the list's selected lines.
    void SetPlainView(bool on);
    bool IsPlainView() const;
    PlainHistoryView* PlainView() const { return m_pPlain; }

    // A grid cell that shows "未登録" for a station, bus stop or shop (or its
    // company) whose lookup the card class can tell: its record, its side
    // and the key. None for any other cell.
    struct UnknownName {
        int record;
        NameSide side;
        NameKey key;
    };
    std::optional<UnknownName> UnknownNameAt(const QModelIndex& index) const;
    // The first such cell, record by record from the top; invalid when none.
    QModelIndex FirstUnknownNameCell() const;

    // The hint centred on the grid while the document shows no card (before
    // the first read): how to read, and with which reader.
    void SetEmptyHint(const QString& text);
    QLabel* EmptyHint() const { return m_pEmptyHint; }

    // The header band as a screen reader reads it: one label a line
    // (HeaderBandLines), in the band's place; the band itself is painted.
    QWidget* HeaderBand() const { return m_pBand; }

signals:
    // A double-click on such a cell, or the grid's context menu item
    // 「駅名を登録...」 (enabled only on such a cell); the cell is current.
    void NameCodeRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

    // The hidden diagnostic: Ctrl+Shift+left click at the band's top left.
    virtual void OnServiceDumpRequested();

private:
    void CreateGrid();
    void PaintHeaderBand(class QPainter& painter);
    void UpdateEmptyHint();
    void UpdateBandLines();
    // The status bar prompt of the cell the mouse is over or that is current.
    void ShowCellPrompt(const QModelIndex& index);

    CKuvoraDoc* m_pDoc;
    CHistoryModel* m_pModel = nullptr;
    QTableView* m_pGrid = nullptr;
    std::unique_ptr<QPrinter> m_pPrinter;
    PlainHistoryView* m_pPlain = nullptr;
    QLabel* m_pEmptyHint = nullptr;
    QWidget* m_pBand = nullptr;
    std::vector<QLabel*> m_BandLines;
    bool m_bCellPrompt = false;  // the status bar shows a cell's prompt
};
