#include "Themes.h"

#include <QApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOption>
#include <qdrawutil.h>

namespace {

constexpr ThemeGradient Flat(QRgb c) { return {{c}, 1, false}; }
constexpr ThemeGradient Down(QRgb top, QRgb bottom) { return {{top, bottom}, 2, false}; }
constexpr ThemeGradient Across(QRgb left, QRgb right) { return {{left, right}, 2, true}; }
constexpr ThemeGradient kNone = {{}, 0, false};
constexpr ThemeGradient kRainbow = {{0xFF8A80, 0xFFD180, 0xFFFF8D, 0xB9F6CA, 0x80D8FF, 0xEA80FC}, 6, true};
constexpr ThemeGradient kRainbowDown = {{0xFF8A80, 0xFFD180, 0xFFFF8D, 0xB9F6CA, 0x80D8FF, 0xEA80FC}, 6, false};
constexpr ThemeGradient kPaleRainbow = {{0xFFC4BF, 0xFFE8BF, 0xFFFFC6, 0xDCFBE4, 0xBFEBFF, 0xF4BFFD}, 6, true};
constexpr ThemeGradient kPaleRainbowBack = {{0xF4BFFD, 0xBFEBFF, 0xDCFBE4, 0xFFFFC6, 0xFFE8BF, 0xFFC4BF}, 6, true};

// clang-format off
const ThemeColours kThemes[theme::kCount] = {
    // Basic: the classic grey desktop with raised and sunken edges.
    {theme::kBasic, "basic",
     0xD4D0C8, 0x000000, 0xFFFFFF, 0xF4F2EE, 0x000000, 0xD4D0C8, 0x000000, 0x0A246A, 0xFFFFFF,
     Flat(0xD4D0C8), 0x000000, 0xD4D0C8, 0x808080, 0x000000,
     0xD4D0C8, 0x808080, 0x000000, kNone, Flat(0x0A246A), 0x0A246A, 0xFFFFFF, 0x808080,
     Flat(0xD4D0C8), 0x808080, Flat(0xD4D0C8), 0x808080, 0xE8E6E1,
     Flat(0xD4D0C8), Flat(0xD4D0C8), 0x808080,
     0x808080, 0x000000, 0, true, false},
    // XP: beige bars, white menus with a shaded icon column, pale blue selection.
    {theme::kXp, "xp",
     0xECE9D8, 0x000000, 0xFFFFFF, 0xF7F6F1, 0x000000, 0xECE9D8, 0x000000, 0x316AC5, 0xFFFFFF,
     Down(0xFAF9F5, 0xE5E2D6), 0x000000, 0xC1D2EE, 0x316AC5, 0x000000,
     0xFCFCF9, 0x8A867A, 0x000000, Across(0xFEFEFB, 0xDCD9CD), Flat(0xC1D2EE), 0x316AC5, 0x000000, 0xC5C2B8,
     Down(0xFAF9F5, 0xDDDACE), 0xC5C2B8, Flat(0xC1D2EE), 0x316AC5, 0x98B5E2,
     Down(0xF4F2E8, 0xE0DCCB), Down(0xFBFBF8, 0xE2DFD2), 0xACA899,
     0xD0D0BF, 0x0046D5, 2, false, false},
    // Special: a burgundy menu bar with gold, on cream.
    {theme::kSpecial, "special",
     0xF3EEE4, 0x1E1A16, 0xFFFFFF, 0xFAF6EE, 0x1E1A16, 0xEDE4D3, 0x1E1A16, 0x7A2143, 0xFFFFFF,
     Down(0x8C2A50, 0x5B1733), 0xFFFFFF, 0xE9C46A, 0xF7E3A6, 0x2A1A05,
     0xFFFDF8, 0x5B1733, 0x1E1A16, Across(0xF6E7C1, 0xE2C57E), Down(0x8C2A50, 0x6E1E3F), 0x4A1029, 0xFFFFFF,
     0xD8C8A8,
     Down(0xF6EBD3, 0xDDC79A), 0xB59A5E, Down(0xFFF6DA, 0xF5DC9A), 0x8C2A50, 0xEBCB84,
     Down(0xEDE4D3, 0xD8C8A8), Down(0xF6EBD3, 0xE3CFA3), 0xB59A5E,
     0xB59A5E, 0x7A2143, 3, false, false},
    // ICY: white to ice blue, glassy rounded highlights.
    {theme::kIcy, "icy",
     0xEEF6FB, 0x0B2A3D, 0xFFFFFF, 0xF3FAFE, 0x0B2A3D, 0xE1F0F9, 0x0B2A3D, 0x1F6FA3, 0xFFFFFF,
     Down(0xFFFFFF, 0xCDE8F6), 0x0B2A3D, 0xBDE6FA, 0x6CBDE8, 0x0B2A3D,
     0xFAFDFF, 0x7FB8D8, 0x0B2A3D, Across(0xEAF6FD, 0xCFE8F5), Down(0xE2F5FF, 0xB9E3F8), 0x5AB0DE, 0x0B2A3D,
     0xC5E2F2,
     Down(0xFFFFFF, 0xD4ECF8), 0xA9D3EA, Down(0xEAF8FF, 0xC4E9FB), 0x5AB0DE, 0xAEDCF5,
     Down(0xF7FCFF, 0xD4ECF8), Down(0xFFFFFF, 0xD9EEF9), 0xA9D3EA,
     0xA9D3EA, 0x1F6FA3, 4, false, true},
    // Office 2003: blue gradient bars, an icon column in blue, orange-cream selection.
    {theme::kOffice2003, "office2003",
     0xE3EDFA, 0x000000, 0xFFFFFF, 0xF2F7FD, 0x000000, 0xE3EFFF, 0x000000, 0x316AC5, 0xFFFFFF,
     Across(0x9EBEF5, 0xC4DAFA), 0x000000, 0xFFEEC2, 0x000080, 0x000000,
     0xF6F6F6, 0x002D96, 0x000000, Across(0xE3EFFF, 0x87ADE4), Flat(0xFFEEC2), 0x000080, 0x000000, 0x6A8CCB,
     Down(0xDDECFE, 0x81A9E2), 0x3B619C, Down(0xFFF4CC, 0xFFD091), 0x000080, 0xFFBD69,
     Down(0xDDECFE, 0xA9C8F0), Down(0xFFFFFF, 0xC4DAFA), 0x6593CF,
     0x7F9DB9, 0x15428B, 3, false, false},
    // Colourful: rainbow bars and a rainbow icon column, warm highlights.
    {theme::kColourful, "colourful",
     0xFFF8EC, 0x222222, 0xFFFFFF, 0xFFF3E0, 0x222222, 0xFFE9C7, 0x222222, 0xC2185B, 0xFFFFFF,
     kRainbow, 0x222222, 0xFFFFFF, 0xC2185B, 0x222222,
     0xFFFFFF, 0xC2185B, 0x222222, kRainbowDown, Down(0xFFE082, 0xFFB74D), 0xE65100, 0x222222, 0xF8BBD0,
     kPaleRainbow, 0xF06292, Down(0xFFF59D, 0xFFCC80), 0xE65100, 0xFFB74D,
     kPaleRainbowBack, Down(0xFFF59D, 0xFFCC80), 0xFB8C00,
     0xF06292, 0xAD1457, 5, false, false},
};
// clang-format on

int g_currentTheme = -1;

QColor Mix(QRgb a, QRgb b, qreal t) {
    const QColor x(a), y(b);
    return QColor::fromRgbF(float(x.redF() * (1 - t) + y.redF() * t), float(x.greenF() * (1 - t) + y.greenF() * t),
                            float(x.blueF() * (1 - t) + y.blueF() * t));
}

QBrush GradientBrush(const ThemeGradient& g, const QRectF& reference) {
    if (g.count <= 0) return Qt::NoBrush;
    if (g.count == 1) return QColor(g.stops[0]);
    QLinearGradient lg(reference.topLeft(), g.horizontal ? reference.topRight() : reference.bottomLeft());
    for (int i = 0; i < g.count; ++i) lg.setColorAt(qreal(i) / (g.count - 1), QColor(g.stops[i]));
    return lg;
}

QPalette MakePalette(const ThemeColours& c) {
    QPalette p(QColor(c.button), QColor(c.window));
    p.setColor(QPalette::WindowText, QColor(c.windowText));
    p.setColor(QPalette::Base, QColor(c.base));
    p.setColor(QPalette::AlternateBase, QColor(c.alternateBase));
    p.setColor(QPalette::Text, QColor(c.text));
    p.setColor(QPalette::ButtonText, QColor(c.buttonText));
    p.setColor(QPalette::Highlight, QColor(c.highlight));
    p.setColor(QPalette::HighlightedText, QColor(c.highlightedText));
    p.setColor(QPalette::ToolTipBase, QColor(0xFFFFE1));
    p.setColor(QPalette::ToolTipText, QColor(Qt::black));
    p.setColor(QPalette::Link, QColor(0x0645AD));
    p.setColor(QPalette::PlaceholderText, Mix(c.text, c.base, 0.5));
    if (c.bevel) {
        p.setColor(QPalette::Light, Qt::white);
        p.setColor(QPalette::Midlight, QColor(c.button));
        p.setColor(QPalette::Mid, QColor(0xA0A0A0));
        p.setColor(QPalette::Dark, QColor(0x808080));
        p.setColor(QPalette::Shadow, QColor(0x404040));
    }
    const QColor greyed = Mix(c.windowText, c.window, 0.55);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, greyed);
    p.setColor(QPalette::Disabled, QPalette::Base, QColor(c.window));
    p.setColor(QPalette::Disabled, QPalette::Highlight, Mix(c.highlight, c.window, 0.5));
    return p;
}

// Fusion with the theme's palette and its own drawing of menus, bars,
// header sections and group boxes.
class ThemeStyle : public QProxyStyle {
public:
    explicit ThemeStyle(const ThemeColours& c)
        : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))), c_(c), palette_(MakePalette(c)) {
        setObjectName(QString::fromLatin1(c.name));
    }

    QPalette standardPalette() const override { return palette_; }

    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
        switch (metric) {
        case PM_MenuPanelWidth: return c_.bevel ? 2 : 1;
        case PM_MenuHMargin: return 0;
        case PM_MenuVMargin: return 2;
        case PM_MenuBarPanelWidth: return 0;
        default: return QProxyStyle::pixelMetric(metric, option, widget);
        }
    }

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* data) const override {
        switch (hint) {
        // Alt pressed and released alone puts the keyboard into the menu bar.
        case SH_MenuBar_AltKeyNavigation: return 1;
        case SH_GroupBox_TextLabelColor: return int(QColor(c_.groupTitle).rgba());
        default: return QProxyStyle::styleHint(hint, option, widget, data);
        }
    }

    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& contents,
                           const QWidget* widget) const override {
        if (type == CT_MenuItem) {
            if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option)) {
                if (item->menuItemType == QStyleOptionMenuItem::Separator) return {20, 7};
                // icon column, text, gap before the shortcut column (the menu adds
                // that column's width), room for a sub-menu arrow
                int width = GutterWidth() + kTextGap + contents.width() + kTextGap + kArrowSpace;
                if (item->text.contains(QLatin1Char('\t'))) width += kShortcutGap;
                // Every item as tall, with an image or without.
                const int small = QProxyStyle::pixelMetric(PM_SmallIconSize, nullptr, nullptr);
                return {width, std::max(QFontMetrics(item->font).height(), small) + 6};
            }
        }
        return QProxyStyle::sizeFromContents(type, option, contents, widget);
    }

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* p,
                       const QWidget* widget) const override {
        switch (element) {
        case PE_PanelMenu: PaintMenuBackground(p, option->rect); return;
        case PE_FrameMenu:
            if (c_.bevel) {
                qDrawWinPanel(p, option->rect, option->palette, false);
            } else {
                p->save();
                p->setPen(QColor(c_.menuBorder));
                p->setBrush(Qt::NoBrush);
                p->drawRect(option->rect.adjusted(0, 0, -1, -1));
                p->restore();
            }
            return;
        case PE_PanelMenuBar: p->fillRect(option->rect, BarBrush(c_.menuBar, option->rect, widget)); return;
        case PE_PanelButtonTool: PaintToolButton(p, option); return;
        case PE_IndicatorToolBarHandle: PaintGripper(p, option); return;
        case PE_IndicatorToolBarSeparator: PaintToolBarSeparator(p, option); return;
        case PE_PanelStatusBar: {
            p->fillRect(option->rect, BarBrush(c_.statusBar, option->rect, widget));
            p->save();
            p->setPen(QColor(c_.bevel ? 0xFFFFFF : c_.toolBarBorder));
            p->drawLine(option->rect.topLeft(), option->rect.topRight());
            p->restore();
            return;
        }
        default: QProxyStyle::drawPrimitive(element, option, p, widget);
        }
    }

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* p,
                     const QWidget* widget) const override {
        switch (element) {
        case CE_MenuItem:
            if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option)) PaintMenuItem(p, item, widget);
            return;
        case CE_MenuEmptyArea: PaintMenuBackground(p, widget ? widget->rect() : option->rect); return;
        case CE_MenuBarEmptyArea: p->fillRect(option->rect, BarBrush(c_.menuBar, option->rect, widget)); return;
        case CE_MenuBarItem:
            if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option)) PaintMenuBarItem(p, item, widget);
            return;
        case CE_ToolBar: PaintToolBar(p, option); return;
        case CE_HeaderSection:
        case CE_HeaderEmptyArea: PaintHeaderSection(p, option); return;
        default: QProxyStyle::drawControl(element, option, p, widget);
        }
    }

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* p,
                            const QWidget* widget) const override {
        if (control == CC_GroupBox) {
            if (const auto* box = qstyleoption_cast<const QStyleOptionGroupBox*>(option)) {
                if (box->subControls & SC_GroupBoxCheckBox) {
                    // Fusion's own, with the title in the theme's colour.
                    QStyleOptionGroupBox copy(*box);
                    if (copy.state & State_Enabled) copy.palette.setColor(QPalette::WindowText, QColor(c_.groupTitle));
                    QProxyStyle::drawComplexControl(control, &copy, p, widget);
                } else {
                    PaintGroupBox(p, box, widget);
                }
                return;
            }
        }
        QProxyStyle::drawComplexControl(control, option, p, widget);
    }

    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl sub,
                         const QWidget* widget) const override {
        // A group box without a check box: its frame runs through the middle
        // of the title, which sits a little in from the left edge.
        if (control == CC_GroupBox) {
            if (const auto* box = qstyleoption_cast<const QStyleOptionGroupBox*>(option);
                box && !(box->subControls & SC_GroupBoxCheckBox)) {
                const QFontMetrics& fm = box->fontMetrics;
                const QRect r = box->rect;
                switch (sub) {
                case SC_GroupBoxLabel:
                    if (box->text.isEmpty()) return {};
                    return QRect(r.left() + 7, r.top(),
                                 fm.boundingRect(QRect(), Qt::TextShowMnemonic, box->text).width() + 4, fm.height());
                case SC_GroupBoxFrame: return r.adjusted(0, box->text.isEmpty() ? 0 : fm.height() / 2, 0, 0);
                case SC_GroupBoxContents: return r.adjusted(6, fm.height() + 2, -6, -6);
                default: break;
                }
            }
        }
        return QProxyStyle::subControlRect(control, option, sub, widget);
    }

private:
    static constexpr int kTextGap = 6;
    static constexpr int kShortcutGap = 24;
    static constexpr int kArrowSpace = 16;

    void PaintGroupBox(QPainter* p, const QStyleOptionGroupBox* box, const QWidget* widget) const {
        const QRect label = subControlRect(CC_GroupBox, box, SC_GroupBoxLabel, widget);
        p->save();
        if (box->subControls & SC_GroupBoxFrame) {
            QRegion clip(box->rect);
            if (!label.isEmpty()) clip -= label;
            p->setClipRegion(clip);
            const QRect frame = subControlRect(CC_GroupBox, box, SC_GroupBoxFrame, widget);
            if (c_.bevel) {
                qDrawShadeRect(p, frame, box->palette, true, 1, 0);
            } else {
                p->setRenderHint(QPainter::Antialiasing, c_.radius > 0);
                p->setPen(QColor(c_.groupBorder));
                p->setBrush(Qt::NoBrush);
                p->drawRoundedRect(QRectF(frame).adjusted(0.5, 0.5, -0.5, -0.5), c_.radius + 1, c_.radius + 1);
            }
            p->setClipping(false);
        }
        if ((box->subControls & SC_GroupBoxLabel) && !label.isEmpty()) {
            const bool enabled = box->state & State_Enabled;
            p->setPen(enabled ? QColor(c_.groupTitle) : box->palette.color(QPalette::Disabled, QPalette::WindowText));
            const bool mnemonics = proxy()->styleHint(SH_UnderlineShortcut, box, widget);
            p->drawText(label, Qt::AlignCenter | Qt::TextSingleLine | (mnemonics ? Qt::TextShowMnemonic : Qt::TextHideMnemonic),
                        box->text);
        }
        p->restore();
    }

    int GutterWidth() const { return QProxyStyle::pixelMetric(PM_SmallIconSize, nullptr, nullptr) + 8; }

    // A bar's gradient spans the whole bar, so that its pieces (items, empty
    // area) join up.
    static QBrush BarBrush(const ThemeGradient& g, const QRect& rect, const QWidget* widget) {
        return GradientBrush(g, widget ? QRectF(widget->rect()) : QRectF(rect));
    }

    QColor DisabledMenuText() const { return Mix(c_.menuText, c_.menuBack, 0.55); }

    // A selected or hot rectangle: the fill, the border, the sheen.
    void PaintHot(QPainter* p, const QRect& rect, const ThemeGradient& fill, QRgb border) const {
        p->save();
        p->setRenderHint(QPainter::Antialiasing, c_.radius > 0);
        const QRectF r = QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5);
        p->setPen(QPen(QColor(border), 1));
        p->setBrush(GradientBrush(fill, r));
        p->drawRoundedRect(r, c_.radius, c_.radius);
        if (c_.glass) {
            QRectF top = r.adjusted(1, 1, -1, 0);
            top.setHeight(r.height() / 2);
            p->setPen(Qt::NoPen);
            p->setBrush(QColor(255, 255, 255, 120));
            p->drawRoundedRect(top, std::max(0, c_.radius - 1), std::max(0, c_.radius - 1));
        }
        p->restore();
    }

    void PaintMenuBackground(QPainter* p, const QRect& rect) const {
        p->fillRect(rect, QColor(c_.menuBack));
        if (c_.gutter.count > 0) {
            const int frame = pixelMetric(PM_MenuPanelWidth, nullptr, nullptr);
            const QRect strip(rect.left() + frame, rect.top(), GutterWidth(), rect.height());
            p->fillRect(strip, GradientBrush(c_.gutter, strip));
        }
    }

    void PaintMenuItem(QPainter* p, const QStyleOptionMenuItem* item, const QWidget* widget) const {
        const QRect r = item->rect;
        const int gutter = GutterWidth();
        p->save();
        if (item->menuItemType == QStyleOptionMenuItem::Separator) {
            const int y = r.center().y();
            const int left = r.left() + (c_.gutter.count > 0 ? gutter + kTextGap : 2);
            p->setPen(QColor(c_.separator));
            p->drawLine(left, y, r.right() - 2, y);
            if (c_.bevel) {
                p->setPen(Qt::white);
                p->drawLine(left, y + 1, r.right() - 2, y + 1);
            }
            p->restore();
            return;
        }
        const bool enabled = item->state & State_Enabled;
        const bool selected = item->state & State_Selected;
        if (selected) {
            if (c_.bevel) p->fillRect(r, QColor(c_.selection.stops[0]));
            else PaintHot(p, r.adjusted(1, 0, -1, 0), c_.selection, c_.selectionBorder);
        }
        const QColor ink = !enabled ? DisabledMenuText() : selected ? QColor(c_.selectionText) : QColor(c_.menuText);

        // The icon column: the command's image, or the check or radio mark.
        const QRect column(r.left(), r.top(), gutter, r.height());
        const bool checked = item->checkType != QStyleOptionMenuItem::NotCheckable && item->checked;
        const int small = QProxyStyle::pixelMetric(PM_SmallIconSize, nullptr, nullptr);
        const QRect box(column.center().x() - small / 2 - 2, column.center().y() - small / 2 - 2, small + 4, small + 4);
        if (checked && !c_.bevel) PaintHot(p, box, c_.selection, c_.selectionBorder);
        if (!item->icon.isNull()) {
            const QIcon::Mode mode = enabled ? QIcon::Normal : QIcon::Disabled;
            const qreal dpr = p->device() ? p->device()->devicePixelRatioF() : 1.0;
            const QPixmap pm = item->icon.pixmap(QSize(small, small), dpr, mode, checked ? QIcon::On : QIcon::Off);
            const QSize size = pm.deviceIndependentSize().toSize();
            p->drawPixmap(QRect(QPoint(column.center().x() - size.width() / 2, column.center().y() - size.height() / 2),
                                size),
                          pm);
            if (checked && c_.bevel) qDrawShadePanel(p, box, item->palette, true, 1);
        } else if (checked) {
            const QColor markInk = !enabled ? DisabledMenuText() : c_.bevel ? ink : QColor(c_.selectionText);
            PaintMark(p, box, item->checkType == QStyleOptionMenuItem::Exclusive, markInk);
        }

        // The text, and the shortcut text in its own column.
        QString text = item->text;
        QString shortcut;
        if (const int tab = text.indexOf(QLatin1Char('\t')); tab >= 0) {
            shortcut = text.mid(tab + 1);
            text.truncate(tab);
        }
        const bool mnemonics = proxy()->styleHint(SH_UnderlineShortcut, item, widget);
        const int flags = Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextDontClip |
                          (mnemonics ? Qt::TextShowMnemonic : Qt::TextHideMnemonic);
        p->setFont(item->font);
        p->setPen(ink);
        const int textLeft = r.left() + gutter + kTextGap;
        p->drawText(QRect(textLeft, r.top(), r.right() - textLeft, r.height()), flags | Qt::AlignLeft, text);
        if (!shortcut.isEmpty()) {
            const int columnLeft = r.right() + 1 - kArrowSpace - kTextGap - item->reservedShortcutWidth;
            p->drawText(QRect(columnLeft, r.top(), r.right() - columnLeft, r.height()), flags | Qt::AlignLeft, shortcut);
        }
        if (item->menuItemType == QStyleOptionMenuItem::SubMenu) {
            const int cx = r.right() - kArrowSpace / 2, cy = r.center().y();
            QPainterPath arrow;
            arrow.moveTo(cx - 2, cy - 4);
            arrow.lineTo(cx + 2, cy);
            arrow.lineTo(cx - 2, cy + 4);
            arrow.closeSubpath();
            p->setRenderHint(QPainter::Antialiasing);
            p->fillPath(arrow, ink);
        }
        p->restore();
    }

    static void PaintMark(QPainter* p, const QRect& box, bool radio, const QColor& ink) {
        p->save();
        p->setRenderHint(QPainter::Antialiasing);
        const QPointF c = QRectF(box).center();
        if (radio) {
            p->setPen(Qt::NoPen);
            p->setBrush(ink);
            p->drawEllipse(c, 3.0, 3.0);
        } else {
            p->setPen(QPen(ink, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            const QPointF points[] = {c + QPointF(-4, 0), c + QPointF(-1, 3), c + QPointF(4, -3)};
            p->drawPolyline(points, 3);
        }
        p->restore();
    }

    void PaintMenuBarItem(QPainter* p, const QStyleOptionMenuItem* item, const QWidget* widget) const {
        p->fillRect(item->rect, BarBrush(c_.menuBar, item->rect, widget));
        const bool enabled = item->state & State_Enabled;
        const bool open = item->state & State_Sunken;
        const bool hot = enabled && (open || (item->state & State_Selected));
        if (hot) {
            if (c_.bevel) qDrawShadePanel(p, item->rect, item->palette, open, 1);
            else PaintHot(p, item->rect.adjusted(0, 1, 0, -1), Flat(c_.menuBarHot), c_.menuBarHotBorder);
        }
        QColor ink = hot ? QColor(c_.menuBarHotText) : QColor(c_.menuBarText);
        if (!enabled) ink = Mix(c_.menuBarText, c_.menuBar.stops[0], 0.55);
        const bool mnemonics = proxy()->styleHint(SH_UnderlineShortcut, item, widget);
        p->save();
        p->setPen(ink);
        p->setFont(item->font);
        const QRect textRect = open && c_.bevel ? item->rect.translated(1, 1) : item->rect;
        p->drawText(textRect,
                    Qt::AlignCenter | Qt::TextSingleLine | Qt::TextDontClip |
                        (mnemonics ? Qt::TextShowMnemonic : Qt::TextHideMnemonic),
                    item->text);
        p->restore();
    }

    void PaintToolBar(QPainter* p, const QStyleOption* option) const {
        const QRect r = option->rect;
        p->save();
        if (c_.bevel) {
            p->fillRect(r, GradientBrush(c_.toolBar, r));
            qDrawShadePanel(p, r, option->palette, false, 1);
        } else if (c_.radius > 0) {
            p->fillRect(r, QColor(c_.window));
            p->setRenderHint(QPainter::Antialiasing);
            p->setPen(QColor(c_.toolBarBorder));
            const QRectF body = QRectF(r).adjusted(1.5, 1.5, -1.5, -1.5);
            p->setBrush(GradientBrush(c_.toolBar, body));
            p->drawRoundedRect(body, c_.radius + 1, c_.radius + 1);
        } else {
            p->fillRect(r, GradientBrush(c_.toolBar, r));
            p->setPen(QColor(c_.toolBarBorder));
            p->drawLine(r.bottomLeft(), r.bottomRight());
        }
        p->restore();
    }

    void PaintToolButton(QPainter* p, const QStyleOption* option) const {
        const bool down = option->state & (State_Sunken | State_On);
        const bool hot = (option->state & State_MouseOver) && (option->state & State_Enabled);
        if (!down && !hot) return;
        if (c_.bevel) {
            if (down) p->fillRect(option->rect, QColor(c_.toolDown));
            qDrawShadePanel(p, option->rect, option->palette, down, 1);
            return;
        }
        PaintHot(p, option->rect, down ? Flat(c_.toolDown) : c_.toolHot, c_.toolHotBorder);
    }

    void PaintGripper(QPainter* p, const QStyleOption* option) const {
        const QRect r = option->rect;
        const bool across = option->state & State_Horizontal;
        p->save();
        if (c_.bevel) {
            // two raised ridges
            for (int i = 0; i < 2; ++i) {
                const QRect ridge = across ? QRect(r.center().x() - 3 + 3 * i, r.top() + 3, 3, r.height() - 6)
                                           : QRect(r.left() + 3, r.center().y() - 3 + 3 * i, r.width() - 6, 3);
                qDrawShadePanel(p, ridge, option->palette, false, 1);
            }
        } else {
            const QColor dot(c_.toolBarBorder);
            const int count = (across ? r.height() : r.width()) / 4;
            for (int i = 1; i < count; ++i) {
                const QPoint at = across ? QPoint(r.center().x() - 1, r.top() + 4 * i)
                                         : QPoint(r.left() + 4 * i, r.center().y() - 1);
                p->fillRect(QRect(at + QPoint(1, 1), QSize(2, 2)), Qt::white);
                p->fillRect(QRect(at, QSize(2, 2)), dot);
            }
        }
        p->restore();
    }

    void PaintToolBarSeparator(QPainter* p, const QStyleOption* option) const {
        const QRect r = option->rect;
        p->save();
        if (option->state & State_Horizontal) {
            const int x = r.center().x();
            p->setPen(QColor(c_.bevel ? 0x808080 : c_.toolBarBorder));
            p->drawLine(x, r.top() + 3, x, r.bottom() - 3);
            p->setPen(Qt::white);
            p->drawLine(x + 1, r.top() + 3, x + 1, r.bottom() - 3);
        } else {
            const int y = r.center().y();
            p->setPen(QColor(c_.bevel ? 0x808080 : c_.toolBarBorder));
            p->drawLine(r.left() + 3, y, r.right() - 3, y);
            p->setPen(Qt::white);
            p->drawLine(r.left() + 3, y + 1, r.right() - 3, y + 1);
        }
        p->restore();
    }

    void PaintHeaderSection(QPainter* p, const QStyleOption* option) const {
        const QRect r = option->rect;
        p->fillRect(r, GradientBrush(c_.header, r));
        if (c_.bevel) {
            qDrawShadePanel(p, r, option->palette, option->state & State_Sunken, 1);
            return;
        }
        p->save();
        p->setPen(QColor(c_.headerBorder));
        p->drawLine(r.topRight(), r.bottomRight());
        p->drawLine(r.bottomLeft(), r.bottomRight());
        p->restore();
    }

    ThemeColours c_;
    QPalette palette_;
};

}  // namespace

const ThemeColours* FindThemeColours(int themeCode) {
    for (const ThemeColours& c : kThemes)
        if (c.code == themeCode) return &c;
    return nullptr;
}

bool ApplyTheme(int themeCode) {
    const ThemeColours* colours = FindThemeColours(themeCode);
    if (!colours || !qobject_cast<QApplication*>(QCoreApplication::instance())) return false;
    // Menu items show their commands' tool bar images.
    QApplication::setAttribute(Qt::AA_DontShowIconsInMenus, false);
    auto* style = new ThemeStyle(*colours);
    QApplication::setStyle(style);  // the application owns it and drops the previous one
    QApplication::setPalette(style->standardPalette());
    g_currentTheme = themeCode;
    return true;
}

int CurrentTheme() { return g_currentTheme; }

// Theme codes used to be 2v for menu style v, and 2v + 1 for the same theme
// drawn under a compatibility layer of another operating system. We never run
// under one, so our theme codes are the menu style values themselves, 0..5.
int ThemeCodeForMenuStyle(int menuStyle) {
    if (menuStyle < 0 || menuStyle >= theme::kCount) menuStyle = theme::kOffice2003;
    return menuStyle;
}

bool ApplyMenuStyle(int menuStyle) { return ApplyTheme(ThemeCodeForMenuStyle(menuStyle)); }
