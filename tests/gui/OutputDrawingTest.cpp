// What the printed page, the clipboard picture and the view's header band
// draw: only the card's records, and each text over its own box.
#include "CKuvoraDoc.h"
#include "CHistoryTable.h"
#include "CKuvoraView.h"
#include "DocumentReads.h"
#include "HistoryPicture.h"
#include "MessageSink.h"
#include "StoredHistory.h"
#include "TestSupport.h"
#include "ViewLayout.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

using namespace history;
using view::DrawItem;
using view::Drawing;

namespace {

const QString kEmptyBlock(32, QLatin1Char('0'));

// A read of a card with 20 blocks of which the first `records` hold records.
void fillCard(CKuvoraDoc& doc, int records) {
    doc.m_strIDm = "0123456789ABCDEF";
    doc.m_nCardRows = 20;
    doc.m_nRows = records + 1;  // History.db keeps one empty block
    for (int r = 0; r < 20; ++r) {
        doc.m_History.SetText(BlockData, r, r < records ? QString::asprintf("%032X", r + 0xA0) : kEmptyBlock);
        doc.m_History.SetText(Date, r, r < records ? QString("26年11月%1日").arg(r + 1) : "00年00月00日");
        doc.m_History.SetText(Balance, r, QString::asprintf("%5d", r < records ? 100 + r : 0));
    }
}

QStringList drawnTexts(const Drawing& d, const QString& startingWith) {
    QStringList out;
    for (const DrawItem& item : d)
        if (item.kind == DrawItem::Text && item.text.startsWith(startingWith)) out << item.text;
    return out;
}

// Whether any pixel of `area` is darker than mid grey.
bool inked(const QImage& image, const QRect& area) {
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qGray(image.pixel(x, y)) < 128) return true;
    return false;
}

}  // namespace

// A card with 13 records and 7 empty blocks: the page and the picture draw
// 13 records and close after them.
TEST(OutputDrawing, PageAndPictureDrawOnlyTheCardsRecords) {
    test::IsolatedHome home;
    CKuvoraDoc doc;
    fillCard(doc, 13);
    const QString footer = "Kuvora footer";
    const auto width = [](const QString& s) { return 10.0 * s.size(); };
    const struct {
        const char* name;
        Drawing drawing;
        qreal footerY;
    } drawings[] = {
        {"page", view::PageDrawing(doc, 2100, width, footer), 435 + 86 * 13},
        {"picture", view::PictureDrawing(doc, footer), 148 + 32 * 13},
    };
    for (const auto& d : drawings) {
        SCOPED_TRACE(d.name);
        EXPECT_EQ(drawnTexts(d.drawing, QString(30, QLatin1Char('0')) + "A").size(), 13);
        EXPECT_TRUE(drawnTexts(d.drawing, kEmptyBlock).isEmpty());
        EXPECT_TRUE(drawnTexts(d.drawing, "00年").isEmpty());
        ASSERT_EQ(drawnTexts(d.drawing, footer).size(), 1);
        for (const DrawItem& item : d.drawing)
            if (item.kind == DrawItem::Text && item.text == footer) {
                EXPECT_EQ(item.rect.y(), d.footerY);
            }
    }
}

// A stored card loaded without a read draws the rows its read drew, with
// the same texts (the place-name slot follows the trade flags).
TEST(OutputDrawing, AStoredCardDrawsTheRowsOfItsRead) {
    test::IsolatedHome home;
    RecordingMessageSink messages;
    ScopedMessageSink sink(&messages);
    test::LibrarySession session;
    test::importSampleNames();
    auto read = test::ReadDocument(session, "image:" + test::sourcePath("data/cards/suica-sample.json"), 1);
    ASSERT_EQ(read->m_nCardRows, 20);
    CKuvoraDoc stored;
    stored.OnNewDocument();
    CHistoryTable table;
    ASSERT_EQ(LoadStoredHistory(table, stored, read->m_strIDm, 1), 20);
    EXPECT_EQ(CardRecordRows(stored), CardRecordRows(*read));
    // The record strips and below: the header band differs (no gate log).
    const auto records = [](const Drawing& d, qreal top) {
        QStringList out;
        for (const DrawItem& item : d)
            if (item.kind == DrawItem::Text && item.rect.y() >= top && !item.footerFont)
                out << QString("%1,%2 %3").arg(item.rect.x()).arg(item.rect.y()).arg(item.text);
        return out;
    };
    const QStringList picture = records(view::PictureDrawing(*read, "f"), 148);
    EXPECT_GT(picture.size(), 20 * 10);  // two lines of texts a record
    EXPECT_EQ(records(view::PictureDrawing(stored, "f"), 148), picture);
    EXPECT_TRUE(messages.messages.isEmpty()) << messages.messages.join('|').toStdString();
}

// A later text covers what an earlier one left in its box (a long name that
// runs into the next column, two texts at one place), on the colour of the
// strip it sits on; outside its box the earlier text stays.
TEST(OutputDrawing, EachTextCoversItsBoxInTheColourBeneath) {
    test::IsolatedHome home;
    const QColor strip(239, 239, 255);
    const QFont font = view::PictureMainFont();
    const QFontMetricsF metrics(font);
    const QString earlier = QString(8, QChar(0x25A0));  // ■■■■■■■■
    const QString later = QString(3, QChar(0x3000));    // three ideographic spaces
    Drawing d;
    d.push_back({DrawItem::Fill, QRectF(0, 0, 400, 60), strip, {}, false, strip});
    d.push_back({DrawItem::Text, QRectF(10, 10, 0, 0), Qt::black, earlier, false, strip});
    d.push_back({DrawItem::Text, QRectF(10, 10, 0, 0), Qt::black, later, false, strip});
    QImage image(400, 60, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter p(&image);
        view::Render(p, d, font, view::PictureFooterFont());
    }
    const int covered = static_cast<int>(metrics.horizontalAdvance(later));
    const int height = static_cast<int>(metrics.height());
    ASSERT_GT(metrics.horizontalAdvance(earlier), covered + 10);
    EXPECT_FALSE(inked(image, QRect(11, 11, covered - 2, height - 2)));
    EXPECT_EQ(image.pixelColor(12, 12), strip);
    EXPECT_TRUE(inked(image, QRect(10 + covered + 2, 10, 8, height)));

    // Every text of the page and the picture is drawn on the fill beneath it.
    CKuvoraDoc doc;
    fillCard(doc, 13);
    for (const Drawing& drawing : {view::PictureDrawing(doc, "f"),
                                   view::PageDrawing(doc, 2100, [](const QString& s) { return 10.0 * s.size(); }, "f")}) {
        int texts = 0;
        for (const DrawItem& item : drawing) {
            if (item.kind != DrawItem::Text) continue;
            QColor beneath;
            for (const DrawItem& fill : drawing)
                if (fill.kind == DrawItem::Fill && fill.rect.contains(item.rect.topLeft() + QPointF(0.5, 0.5)))
                    beneath = fill.colour;
            EXPECT_EQ(item.background, beneath) << item.text.toStdString();
            ++texts;
        }
        EXPECT_GT(texts, 30);
    }
}

// The header band: a gate-log text drawn later covers the one before it.
TEST(OutputDrawing, HeaderBandTextsCoverTheirBoxes) {
    test::IsolatedHome home;
    CKuvoraDoc doc;
    doc.m_nCardType = 1;
    // Column 1 stands at x 287, column 2 at 247 and is drawn after it.
    doc.m_GateLog[0][1] = QString(6, QChar(0x25A0));
    doc.m_GateLog[0][2] = QString(6, QChar(0x3000));
    CKuvoraView view(&doc);
    view.resize(800, 300);
    view.OnUpdate();
    const QImage band = view.grab(QRect(0, 0, 800, view::kHeaderBandHeight)).toImage();
    const int y = view::kGateLogY;
    EXPECT_FALSE(inked(band, QRect(290, y + 2, 247 + 60 - 290, 10)));
    EXPECT_EQ(band.pixelColor(300, y + 5), view::BandColour());
}
