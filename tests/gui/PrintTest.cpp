// The printed page, the clipboard picture and Copy.
#include "CKuvoraDoc.h"
#include "CKuvoraView.h"
#include "HistoryPicture.h"
#include "TestSupport.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QPainter>
#include <QSvgRenderer>
#include <QTableView>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

using namespace history;
using view::DrawItem;
using view::Drawing;

namespace {

void fillDoc(CKuvoraDoc& doc, int records) {
    doc.m_strIDm = "0123456789ABCDEF";
    doc.m_strCardTypeName = "Suica";
    doc.m_nCardRows = records;
    doc.m_nRows = records;
    for (int r = 0; r < records; ++r) {
        doc.m_History.SetText(BlockData, r, QString::asprintf("%032X", r + 0xA0));
        doc.m_History.SetText(DepartureStation, r, QString("入駅%1").arg(r));
        doc.m_History.SetText(ArrivalCompany, r, QString("出社%1").arg(r));
        doc.m_History.SetText(Charge, r, QString::asprintf("%5d", 100 + r));
        doc.m_History.SetText(DepartureLineCode, r, "DL");
        doc.m_History.SetText(ArrivalStationCode, r, "ASC");
        doc.m_History.SetText(ArrivalStation, r, "AS");
        doc.m_History.SetText(Point, r, "7");
        doc.m_History.SetText(Note1, r, "備考");
        doc.m_History.SetFlags(r, r == 1 ? 0x80 : 0);
    }
}

const DrawItem* findText(const Drawing& d, const QString& text) {
    for (const DrawItem& item : d)
        if (item.kind == DrawItem::Text && item.text == text) return &item;
    return nullptr;
}

// The fill whose rectangle holds the point, the last one drawn.
QColor fillAt(const Drawing& d, QPointF at) {
    QColor colour;
    for (const DrawItem& item : d)
        if (item.kind == DrawItem::Fill && item.rect.contains(at)) colour = item.colour;
    return colour;
}

const QColor kBand(143, 191, 255), kTitle(224, 224, 255), kEven(239, 239, 255), kWhite(255, 255, 255);

}  // namespace

TEST(PrintedPage, LayoutForNoneOneAndTwentyRows) {
    // Every character 10 units wide: the positions follow from the texts.
    const view::TextWidth width = [](const QString& s) { return 10.0 * s.size(); };
    for (int n : {0, 1, 20}) {
        CKuvoraDoc doc;
        fillDoc(doc, n);
        const Drawing d = view::PageDrawing(doc, 2100, width, "Kuvora footer");
        EXPECT_EQ(fillAt(d, {1000, 10}), kBand);
        EXPECT_EQ(fillAt(d, {2090, 400}), kTitle);
        // The closing strip under the last record, coloured by the parity of n.
        const qreal closing = 430 + 86 * n;
        EXPECT_EQ(fillAt(d, {5, closing + 40}), n % 2 == 0 ? kTitle : kWhite) << n;
        const DrawItem* footer = findText(d, "Kuvora footer");
        ASSERT_TRUE(footer);
        EXPECT_TRUE(footer->footerFont);
        EXPECT_EQ(footer->rect.topLeft(), QPointF(20, closing + 5));  // margin: two blanks
        EXPECT_TRUE(findText(d, ": 0123456789ABCDEF"));
        EXPECT_FALSE(findText(d, "Edy No."));
        for (int r = 0; r < n; ++r) EXPECT_EQ(fillAt(d, {5, 430.0 + 86 * r + 40}), r % 2 ? kWhite : kEven);
        if (n == 0) continue;
        const DrawItem* block = findText(d, QString::asprintf("%032X", 0xA0));
        ASSERT_TRUE(block);
        EXPECT_EQ(block->rect.topLeft(), QPointF(20, 435));
        // Note1 starts one digit to the left of Point.
        const DrawItem* point = findText(d, "7");
        const DrawItem* note = findText(d, "備考");
        ASSERT_TRUE(point && note);
        EXPECT_EQ(note->rect.x(), point->rect.x() - 10);
        EXPECT_EQ(point->rect.y(), 435 + 43);
        EXPECT_EQ(findText(d, "  100")->colour, QColor(80, 80, 255));
        // Columns measured one after another from the texts of the titles.
        EXPECT_EQ(findText(d, "DL")->rect.x(), 530);
        EXPECT_EQ(findText(d, "AS")->rect.x(), 640);
        EXPECT_EQ(findText(d, "ASC")->rect.x(), 690);
        EXPECT_EQ(findText(d, "  100")->rect.x(), 760);
        // The place-name slot: the departure station unless TradeFlags has 0x80.
        EXPECT_TRUE(findText(d, "入駅0"));
        EXPECT_FALSE(findText(d, "出社0"));
        if (n > 1) {
            EXPECT_TRUE(findText(d, "出社1"));
            EXPECT_FALSE(findText(d, "入駅1"));
        }
    }
    // The number line only for Edy and JAL IC.
    CKuvoraDoc edy;
    edy.m_nCardType = 128;
    edy.m_strCardNumber = "1234";
    EXPECT_EQ(findText(view::PageDrawing(edy, 2100, width, "f"), "Edy No.")->rect.y(), 172);
}

TEST(ClipboardPicture, ImageAndSvgOfTheFrame) {
    CKuvoraDoc doc;
    fillDoc(doc, 1);
    const QImage image = view::PictureImage(&doc, "Kuvora x");
    ASSERT_EQ(image.size(), QSize(770, 905));
    EXPECT_EQ(image.pixelColor(765, 5), kBand);
    EXPECT_EQ(image.pixelColor(765, 140), kTitle);
    EXPECT_EQ(image.pixelColor(765, 160), kEven);
    EXPECT_EQ(image.pixelColor(765, 190), kWhite);  // the closing strip after one record
    EXPECT_EQ(image.pixelColor(765, 200), kWhite);  // under the drawing
    CKuvoraDoc none;
    fillDoc(none, 0);
    EXPECT_EQ(view::PictureImage(&none, "Kuvora x").pixelColor(765, 160), kTitle);
    EXPECT_TRUE(view::PictureImage(nullptr, "x").isNull());

    const QByteArray svg = view::PictureSvg(&doc, "Kuvora x");
    QXmlStreamReader xml(svg);
    QStringList texts;
    QString size;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) continue;
        if (xml.name() == QLatin1String("svg"))
            size = xml.attributes().value("viewBox").toString();
        if (xml.name() == QLatin1String("text")) texts << xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
    }
    ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    // Drawn again from the SVG: the same strips where the image has them.
    QSvgRenderer renderer(svg);
    QImage drawn(770, 905, QImage::Format_RGB32);
    drawn.fill(Qt::white);
    QPainter painter(&drawn);
    renderer.render(&painter);
    painter.end();
    for (int y : {5, 140, 160, 190}) EXPECT_EQ(drawn.pixelColor(765, y), image.pixelColor(765, y)) << y;
    EXPECT_EQ(size, "0 0 770 905");
    for (const QString& t : {QString::asprintf("%032X", 0xA0), QString("入駅0"), QString("  100"), QString("Kuvora x"),
                             QString(": 0123456789ABCDEF")})
        EXPECT_TRUE(texts.contains(t.trimmed())) << t.toStdString();
}

TEST(ClipboardPicture, CopyPutsTheCellsAndThePictureTogether) {
    test::IsolatedHome home;
    RecordingMessageSink sink;
    ScopedMessageSink installed(&sink);
    CKuvoraDoc doc;
    fillDoc(doc, 2);
    CKuvoraView view(&doc);
    view.resize(900, 600);
    view.OnUpdate();
    QClipboard* clipboard = QGuiApplication::clipboard();
    view.OnEditCopy();
    const QMimeData* data = clipboard->mimeData();
    ASSERT_TRUE(data);
    EXPECT_FALSE(data->hasText());  // nothing selected: the picture alone
    EXPECT_TRUE(data->hasFormat("image/png"));
    EXPECT_TRUE(data->hasFormat("image/svg+xml"));
    // Two cells apart: the rectangle between them, unselected cells empty.
    QItemSelectionModel* selection = view.Grid()->selectionModel();
    selection->select(view.Grid()->model()->index(0, 0), QItemSelectionModel::Select);
    selection->select(view.Grid()->model()->index(1, 9), QItemSelectionModel::Select);
    EXPECT_EQ(view.SelectedCellsText(),
              QString::asprintf("%032X", 0xA0) + QString(9, '\t') + "\n" + QString(9, '\t') + "  100");
    view.OnEditCopy();
    data = clipboard->mimeData();
    EXPECT_EQ(data->text(), view.SelectedCellsText());
    EXPECT_TRUE(QImage::fromData(data->data("image/png"), "PNG").size() == QSize(770, 905));
    EXPECT_TRUE(sink.messages.isEmpty()) << sink.messages.join("|").toStdString();
}
