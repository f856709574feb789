// CKuvoraView: the one view of the main window. A header band, 130 pixels
// high, painted with the library version, the IDm, the card type, the Edy or
// JMB number and the ticket-gate log; below it a grid over the document's
// history, two grid rows per record.
#pragma once

#include <QWidget>

class CHistoryModel;
class CKuvoraDoc;
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

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

    // The hidden diagnostic: Ctrl+Shift+left click at the band's top left.
    virtual void OnServiceDumpRequested();

private:
    void CreateGrid();
    void PaintHeaderBand(class QPainter& painter);

    CKuvoraDoc* m_pDoc;
    CHistoryModel* m_pModel = nullptr;
    QTableView* m_pGrid = nullptr;
};
