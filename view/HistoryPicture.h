// The printed page and the clipboard picture of the card's history: the
// header band, the ticket-gate log, a title strip, two lines per card row
// and a closing strip with the footer line. Both are built as a list of
// fills and texts and drawn by one function over a QPainter, so that the
// printer, the print preview, the PDF file and the picture share it.
// Needs Qt GUI only (no widgets), so kuvora-cli can use it.
#pragma once

#include <QByteArray>
#include <QColor>
#include <QDateTime>
#include <QImage>
#include <QPageSize>
#include <QRectF>
#include <QString>

#include <functional>
#include <vector>

class CKuvoraDoc;
class QPaintDevice;
class QPainter;

namespace view {

// One step of a drawing: a filled rectangle, or a text whose left edge is
// at rect.x() and whose top is at rect.y().
struct DrawItem {
    enum Kind { Fill, Text };
    Kind kind = Fill;
    QRectF rect;
    QColor colour;  // the fill, or the text's colour
    QString text;
    bool footerFont = false;
    // A text's box is filled with this first: the colour of the last fill
    // before it, so that a text covers what an earlier one left in its box.
    QColor background = Qt::white;
};
using Drawing = std::vector<DrawItem>;

// Width of a text in the main font, in the drawing's units.
using TextWidth = std::function<qreal(const QString&)>;

// The line at the foot of both: the program's name and when it was drawn.
QString FooterLine(const QDateTime& when);

// The display rows both draw, one record each: the card's records of the
// last read (CardRecordRows).
std::vector<int> PrintedRows(const CKuvoraDoc& doc);

// The printed page in tenths of a millimetre from the top left corner of the
// printable area (y grows downwards here), `pageWidth` wide, with column
// positions measured by `width`.
Drawing PageDrawing(const CKuvoraDoc& doc, qreal pageWidth, const TextWidth& width, const QString& footer);

// Main font and footer font of the page, sized in tenths of a millimetre.
QFont PageMainFont();
QFont PageFooterFont();

// Draws the page on `painter`, whose device is the printer's page (a
// printer, the preview's, a PDF writer): measures the texts on that device
// and maps tenths of a millimetre to its pixels. Nothing without a document.
void DrawPrintedPage(QPainter& painter, const CKuvoraDoc* doc, const QString& footer);

// The page as a one-page PDF file of `pageSize`, without margins; empty when
// it could not be made.
QByteArray PagePdf(const CKuvoraDoc& doc, const QPageSize& pageSize, const QString& footer);

// The picture: pixels, 788 wide, in a frame of 770 x 905.
constexpr int kPictureWidth = 788;
constexpr int kPictureFrameWidth = 770;
constexpr int kPictureFrameHeight = 905;

Drawing PictureDrawing(const CKuvoraDoc& doc, const QString& footer);
// Main font and footer font of the picture (pixels at 96 dots per inch).
QFont PictureMainFont();
QFont PictureFooterFont();

// Draws `text` with its left edge at x and its top at y over its box (its
// advance wide, its font's height tall) filled with `background`, in the
// painter's font and pen.
void DrawOpaqueText(QPainter& painter, const QPointF& topLeft, const QString& text, const QColor& background);

// Draws `drawing` with the given fonts.
void Render(QPainter& painter, const Drawing& drawing, const QFont& mainFont, const QFont& footerFont);

// The picture as SVG text and as an image on white, each of the frame's size;
// empty without a document or when the drawing failed.
QByteArray PictureSvg(const CKuvoraDoc* doc, const QString& footer);
QImage PictureImage(const CKuvoraDoc* doc, const QString& footer);
QByteArray PicturePng(const CKuvoraDoc* doc, const QString& footer);

}  // namespace view
