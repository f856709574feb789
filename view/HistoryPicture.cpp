#include "HistoryPicture.h"

#include "CKuvoraDoc.h"
#include "KuvoraFonts.h"
#include "ShownText.h"
#include "ViewLayout.h"

#include <QBuffer>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>

#include <algorithm>

namespace view {

using namespace history;

namespace {

class DrawingBuilder {
public:
    explicit DrawingBuilder(Drawing& d) : d_(d) {}
    // A fill is also the background of the texts after it.
    void fill(qreal left, qreal top, qreal right, qreal bottom, const QColor& colour) {
        d_.push_back({DrawItem::Fill, QRectF(QPointF(left, top), QPointF(right, bottom)), colour, {}, false, colour});
        background_ = colour;
    }
    // Empty texts draw nothing.
    void text(qreal x, qreal y, const QString& s, const QColor& colour = Qt::black, bool footer = false) {
        if (!s.isEmpty()) d_.push_back({DrawItem::Text, QRectF(x, y, 0, 0), colour, s, footer, background_});
    }

private:
    Drawing& d_;
    QColor background_ = Qt::white;
};

// The second line's place-name slot: the arrival company when TradeFlags has
// bit 0x80, else the departure station.
const QString& PlaceName(const CKuvoraDoc& doc, int row) {
    return doc.m_History.Text((doc.m_History.Flags(row) & 0x80) ? ArrivalCompany : DepartureStation, row);
}

// The closing strip follows the last record in the colours of the title
// strip and white.
QColor ClosingColour(int records) { return records % 2 == 0 ? TitleStripColour() : QColor(255, 255, 255); }

// Text sizes in the drawing's units: points at `unitsPerInch`.
QFont Sized(QFont font, qreal points, qreal unitsPerInch) {
    font.setPixelSize(std::max(1, qRound(points * unitsPerInch / 72.0)));
    return font;
}

}  // namespace

QString FooterLine(const QDateTime& when) {
    return QStringLiteral("Kuvora  %1").arg(when.toString(ViewText::tr("yyyy年MM月dd日 HH時mm分")));
}

std::vector<int> PrintedRows(const CKuvoraDoc& doc) { return CardRecordRows(doc); }

Drawing PageDrawing(const CKuvoraDoc& doc, qreal W, const TextWidth& w, const QString& footer) {
    Drawing d;
    DrawingBuilder b(d);
    const qreal m = w(QStringLiteral("  "));
    b.fill(0, 0, W, 387, BandColour());

    const qreal valueX = m + w(IdmLabel());
    b.text(m, 43, doc.m_strLibraryVersion);
    b.text(m, 86, IdmLabel());
    b.text(valueX, 86, QStringLiteral(": ") + doc.m_strIDm + ShownText(doc.m_strMakeDate));
    b.text(m, 129, TypeLabel());
    b.text(valueX, 129, QStringLiteral(": ") + ShownText(doc.m_strCardTypeName));
    const QString numberLabel = CardNumberLabel(doc.m_nCardType);
    if (!numberLabel.isEmpty()) {
        b.text(m, 172, numberLabel);
        b.text(valueX, 172, QStringLiteral(": ") + doc.m_strCardNumber);
    }

    const QString hex32 = QString(32, QLatin1Char('F'));
    const qreal X1 = m + w(hex32 + QLatin1Char(' '));
    const qreal X2 = X1 + w(QStringLiteral("出場 "));
    const qreal X3 = X2 + w(QStringLiteral("99年99月99日 ")) + w(QStringLiteral("99時99分 "));
    const qreal X4 = X3 + w(QStringLiteral("駅駅駅駅駅駅駅駅駅 "));
    const qreal X5 = X4 + w(QStringLiteral("99999 "));
    const qreal X6 = X5 + w(QStringLiteral("駅駅駅駅駅駅駅駅 "));
    const qreal gateX[CKuvoraDoc::kGateLogColumns] = {m, X2, X1, X3, X4, X5, X6};
    for (int row = 0; row < CKuvoraDoc::kGateLogRows; ++row)
        for (int c = 0; c < CKuvoraDoc::kGateLogColumns; ++c) b.text(gateX[c], 215 + 43 * row, doc.m_GateLog[row][c]);

    const qreal A = m + w(QString(12, QLatin1Char('F')));
    const qreal B = m + w(hex32 + QLatin1Char(' '));
    const qreal C = m + w(hex32 + QStringLiteral(" 端"));
    const qreal D = B + w(QStringLiteral("端末種 "));
    const qreal E = D + w(QStringLiteral("処理 "));
    const qreal F = E + w(QStringLiteral("99年"));
    const qreal G = E + w(QStringLiteral("99年99月99日 "));
    // The line and station columns of the departure (入) and the arrival
    // (出), each measured from where the one before ends: the line code one
    // letter in, the station column after the line's title, its code one
    // letter in, and the next column after the station's title.
    struct LineStation {
        qreal lineCode, station, stationCode, next;
    };
    const auto lineStation = [&w](qreal start, const QString& letter) {
        const qreal station = start + w(letter + QStringLiteral("線区 "));
        return LineStation{start + w(letter), station, station + w(letter),
                           station + w(letter + QStringLiteral("駅順     "))};
    };
    const LineStation in = lineStation(G, QStringLiteral("入"));
    const LineStation out = lineStation(in.next, QStringLiteral("出"));
    const qreal H = in.lineCode, I = in.station, J = in.stationCode, K = in.next;
    const qreal L = out.lineCode, M = out.station, N = out.stationCode, O = out.next;
    const qreal P = O + static_cast<int>(w(QStringLiteral("9"))) / 2;
    const qreal Q = O + w(QStringLiteral("99999 "));
    const qreal R = Q + w(QStringLiteral("9"));

    b.fill(0, 387, W, 430, TitleStripColour());
    // The page's titles are short: each has the room of its Japanese title.
    const std::pair<qreal, const char*> titles[] = {
        {A, QT_TRANSLATE_NOOP("PrintedPage", "生データ")}, {B, QT_TRANSLATE_NOOP("PrintedPage", "端末種")},
        {D, QT_TRANSLATE_NOOP("PrintedPage", "処理")},     {F, QT_TRANSLATE_NOOP("PrintedPage", "日付")},
        {G, QT_TRANSLATE_NOOP("PrintedPage", "入線区")},   {I, QT_TRANSLATE_NOOP("PrintedPage", "入駅順")},
        {K, QT_TRANSLATE_NOOP("PrintedPage", "出線区")},   {M, QT_TRANSLATE_NOOP("PrintedPage", "出駅順")},
        {P, QT_TRANSLATE_NOOP("PrintedPage", "残高")},     {Q, QT_TRANSLATE_NOOP("PrintedPage", "履歴連番")}};
    for (const auto& [x, title] : titles) b.text(x, 392, QCoreApplication::translate("PrintedPage", title));

    const std::vector<int> rows = PrintedRows(doc);
    const int n = static_cast<int>(rows.size());
    const auto& h = doc.m_History;
    for (int r = 0; r < n; ++r) {
        const int row = rows[static_cast<std::size_t>(r)];
        const qreal y1 = 435 + 86 * r;
        const qreal y2 = y1 + 43;
        b.fill(0, y1 - 5, W, y1 - 5 + 86, RecordColour(r));
        const std::pair<qreal, int> upper[] = {
            {m, BlockData},         {C, TerminalCode}, {D, Trade},   {E, Date},
            {H, DepartureLineCode}, {J, DepartureStationCode},       {L, ArrivalLineCode},
            {N, ArrivalStationCode}, {O, Balance},     {R, SerialCode}};
        for (const auto& [x, column] : upper) b.text(x, y1, h.Text(column, row));
        b.text(E, y2, h.Text(Time, row));
        b.text(G, y2, PlaceName(doc, row));
        b.text(K, y2, h.Text(ArrivalStation, row));
        b.text(O, y2, h.Text(Charge, row), ChargeColour());
        b.text(R, y2, h.Text(Point, row));
        b.text(Q, y2, h.Text(Note1, row));
    }
    b.fill(0, 430 + 86 * n, W, 516 + 86 * n, ClosingColour(n));
    b.text(m, 435 + 86 * n, footer, Qt::black, true);
    return d;
}

Drawing PictureDrawing(const CKuvoraDoc& doc, const QString& footer) {
    Drawing d;
    DrawingBuilder b(d);
    const int width = kPictureWidth;
    b.fill(0, 0, width, kHeaderBandHeight, BandColour());
    for (const PlacedText& t : HeaderBandTexts(doc)) b.text(t.x, t.y, t.text);
    b.fill(0, 130, width, 147, TitleStripColour());
    b.text(100, 132, QCoreApplication::translate("PrintedPage", "生データ"));
    // One line of titles over columns of fixed places: its spaces place them.
    b.text(248, 132,
           QCoreApplication::translate("PrintedPage",
                                       "端末種 処理     日付     入線区 入駅順 出線区 出駅順  残高  履歴連番"));
    const std::vector<int> rows = PrintedRows(doc);
    const int n = static_cast<int>(rows.size());
    const auto& h = doc.m_History;
    for (int r = 0; r < n; ++r) {
        const int row = rows[static_cast<std::size_t>(r)];
        const int y1 = 148 + 32 * r;
        const int y2 = y1 + 16;
        b.fill(0, y1 - 1, width, y1 + 31, RecordColour(r));
        const std::pair<int, int> upper[] = {
            {10, BlockData},         {263, TerminalCode}, {305, TradeCode}, {330, Date},
            {439, DepartureLineCode}, {487, DepartureStationCode},         {536, ArrivalLineCode},
            {585, ArrivalStationCode}, {618, Balance},    {676, SerialCode}};
        for (const auto& [x, column] : upper) b.text(x, y1, h.Text(column, row));
        b.text(248, y2, h.Text(Terminal, row));
        b.text(297, y2, h.Text(Trade, row));
        b.text(330, y2, h.Text(Time, row));
        b.text(423, y2, PlaceName(doc, row));
        b.text(520, y2, h.Text(ArrivalStation, row));
        b.text(618, y2, h.Text(Charge, row), ChargeColour());
        b.text(668, y2, h.Text(Point, row));
        b.text(668, y2, h.Text(Note1, row));
    }
    b.fill(0, 147 + 32 * n, width, 179 + 32 * n, ClosingColour(n));
    b.text(10, 148 + 32 * n, footer, Qt::black, true);
    return d;
}

QFont PageMainFont() { return Sized(KuvoraFont(), 10.5, 254); }
QFont PageFooterFont() { return Sized(KuvoraFooterFont(), 8, 254); }
QFont PictureMainFont() { return Sized(KuvoraFont(), 10.5, 96); }
QFont PictureFooterFont() { return Sized(KuvoraFooterFont(), 8, 96); }

void Render(QPainter& p, const Drawing& drawing, const QFont& mainFont, const QFont& footerFont) {
    p.save();
    for (const DrawItem& item : drawing) {
        if (item.kind == DrawItem::Fill) {
            p.fillRect(item.rect, item.colour);
            continue;
        }
        p.setFont(item.footerFont ? footerFont : mainFont);
        p.setPen(item.colour);
        DrawOpaqueText(p, item.rect.topLeft(), item.text, item.background);
    }
    p.restore();
}

void DrawOpaqueText(QPainter& p, const QPointF& topLeft, const QString& text, const QColor& background) {
    const QFontMetricsF metrics(p.font(), p.device());
    p.fillRect(QRectF(topLeft, QSizeF(metrics.horizontalAdvance(text), metrics.height())), background);
    // A rectangle wide and tall enough for any single line.
    p.drawText(QRectF(topLeft, QSizeF(1e5, 1e4)), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
}

void DrawPrintedPage(QPainter& p, const CKuvoraDoc* doc, const QString& footer) {
    QPaintDevice* device = p.device();
    if (!doc || !device) return;
    const QFont mainFont = PageMainFont();
    const QFontMetricsF metrics(mainFont, device);
    const Drawing drawing = PageDrawing(*doc, device->widthMM() * 10.0,
                                        [&metrics](const QString& s) { return metrics.horizontalAdvance(s); }, footer);
    p.save();
    // One unit a tenth of a millimetre.
    p.scale(device->logicalDpiX() / 254.0, device->logicalDpiY() / 254.0);
    Render(p, drawing, mainFont, PageFooterFont());
    p.restore();
}

QByteArray PagePdf(const CKuvoraDoc& doc, const QPageSize& pageSize, const QString& footer) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly)) return QByteArray();
    {
        QPdfWriter writer(&buffer);
        writer.setCreator(QStringLiteral("Kuvora"));
        writer.setTitle(QStringLiteral("Kuvora"));
        writer.setPageLayout(QPageLayout(pageSize, QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
        QPainter painter;
        if (!painter.begin(&writer)) return QByteArray();
        DrawPrintedPage(painter, &doc, footer);
        if (!painter.end()) return QByteArray();
    }
    return bytes;
}

QByteArray PictureSvg(const CKuvoraDoc* doc, const QString& footer) {
    if (!doc) return QByteArray();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly)) return QByteArray();
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setResolution(96);
    svg.setSize(QSize(kPictureFrameWidth, kPictureFrameHeight));
    svg.setViewBox(QRect(0, 0, kPictureFrameWidth, kPictureFrameHeight));
    svg.setTitle(QStringLiteral("Kuvora"));
    QPainter painter;
    if (!painter.begin(&svg)) return QByteArray();
    painter.setClipRect(QRect(0, 0, kPictureFrameWidth, kPictureFrameHeight));
    // The SVG names one family per text: the one the layout was drawn with
    // here, not the first wish of the family list.
    const auto found = [](QFont font) {
        font.setFamilies({QFontInfo(font).family()});
        return font;
    };
    Render(painter, PictureDrawing(*doc, footer), found(PictureMainFont()), found(PictureFooterFont()));
    if (!painter.end()) return QByteArray();
    return bytes;
}

QImage PictureImage(const CKuvoraDoc* doc, const QString& footer) {
    if (!doc) return QImage();
    QImage image(kPictureFrameWidth, kPictureFrameHeight, QImage::Format_RGB32);
    if (image.isNull()) return image;
    image.fill(Qt::white);
    QPainter painter;
    if (!painter.begin(&image)) return QImage();
    Render(painter, PictureDrawing(*doc, footer), PictureMainFont(), PictureFooterFont());
    painter.end();
    return image;
}

QByteArray PicturePng(const CKuvoraDoc* doc, const QString& footer) {
    const QImage image = PictureImage(doc, footer);
    QByteArray bytes;
    if (image.isNull()) return bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG")) return QByteArray();
    return bytes;
}

}  // namespace view
