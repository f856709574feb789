#include "CommandIcons.h"
#include "Themes.h"

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QImage>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QStatusBar>
#include <QStyle>
#include <QTableWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <climits>

namespace {

double Luminance(const QColor& c) {
    auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

double Contrast(QRgb a, QRgb b) {
    const double la = Luminance(QColor(a)), lb = Luminance(QColor(b));
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// A window with every part a theme draws: menu bar, tool bar, status bar,
// a grid with its header, a group box with a radio button.
QImage RenderSample() {
    QMainWindow window;
    window.menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
    window.menuBar()->addMenu(QStringLiteral("編集(&E)"));
    QToolBar* bar = window.addToolBar(QStringLiteral("ツール バー"));
    bar->setIconSize(QSize(16, 15));
    for (int id : {32771, 32790, 57604, 32772}) bar->addAction(CommandIcon(id), QString::number(id));
    window.statusBar()->showMessage(QStringLiteral("カードの読み取り"));
    auto* central = new QWidget;
    auto* layout = new QVBoxLayout(central);
    auto* grid = new QTableWidget(2, 3);
    grid->setHorizontalHeaderLabels({QStringLiteral("生データ"), QStringLiteral("端末種"), QStringLiteral("処理")});
    layout->addWidget(grid);
    auto* group = new QGroupBox(QStringLiteral("メニュー スタイル"));
    auto* inGroup = new QVBoxLayout(group);
    inGroup->addWidget(new QRadioButton(QStringLiteral("基本スタイル")));
    layout->addWidget(group);
    window.setCentralWidget(central);
    window.resize(420, 300);
    return window.grab().toImage();
}

// A pop-up menu of one item, as the user sees it.
QImage RenderMenu(const QIcon& icon, bool checkable, bool checked, bool selected) {
    QMenu menu;
    QAction* item = menu.addAction(icon, QStringLiteral("読み取り\tCtrl+R(&R)"));
    menu.addSeparator();
    menu.addAction(QStringLiteral("設定(&C)"));
    if (checkable) {
        item->setCheckable(true);
        item->setChecked(checked);
    }
    menu.resize(menu.sizeHint());
    if (selected) menu.setActiveAction(item);
    return menu.grab().toImage();
}

// Columns (x) where two images of the same size differ.
std::pair<int, int> DifferingColumns(const QImage& a, const QImage& b) {
    int first = INT_MAX, last = -1;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y)) {
                first = std::min(first, x);
                last = std::max(last, x);
            }
    return {first, last};
}

struct Themes : ::testing::Test {
    ~Themes() override { ApplyTheme(theme::kOffice2003); }
};

}  // namespace

TEST_F(Themes, EachOfTheSixAppliesAndLooksDifferent) {
    std::vector<QImage> looks;
    for (int code = 0; code < theme::kCount; ++code) {
        ASSERT_TRUE(ApplyTheme(code)) << code;
        EXPECT_EQ(CurrentTheme(), code);
        EXPECT_EQ(QApplication::style()->objectName(), QString::fromLatin1(FindThemeColours(code)->name));
        EXPECT_EQ(QApplication::palette().window().color(), QColor(FindThemeColours(code)->window));
        looks.push_back(RenderSample());
    }
    for (int a = 0; a < theme::kCount; ++a)
        for (int b = a + 1; b < theme::kCount; ++b) EXPECT_NE(looks[a], looks[b]) << a << " and " << b;
}

TEST_F(Themes, AnUnknownCodeLeavesTheCurrentTheme) {
    ASSERT_TRUE(ApplyTheme(theme::kSpecial));
    const QImage before = RenderSample();
    for (int code : {-1, 6, 9, 12, INT_MIN, INT_MAX}) {
        EXPECT_FALSE(ApplyTheme(code)) << code;
        EXPECT_EQ(CurrentTheme(), theme::kSpecial);
        EXPECT_EQ(QApplication::style()->objectName(), QStringLiteral("special"));
    }
    EXPECT_EQ(RenderSample(), before);
}

TEST_F(Themes, MenuStyleOutsideTheRangeCountsAsOffice2003) {
    for (int style = 0; style < theme::kCount; ++style) EXPECT_EQ(ThemeCodeForMenuStyle(style), style);
    for (int style : {9, 6, -1, INT_MIN, INT_MAX}) EXPECT_EQ(ThemeCodeForMenuStyle(style), ThemeCodeForMenuStyle(4));
    ASSERT_TRUE(ApplyMenuStyle(0));
    ASSERT_TRUE(ApplyMenuStyle(9));
    EXPECT_EQ(CurrentTheme(), theme::kOffice2003);
}

TEST_F(Themes, TextsStayReadableOnWhatTheyAreDrawnOn) {
    for (int code = 0; code < theme::kCount; ++code) {
        const ThemeColours& c = *FindThemeColours(code);
        SCOPED_TRACE(c.name);
        auto readable = [](QRgb ink, QRgb paper, const char* what) {
            EXPECT_GE(Contrast(ink, paper), 4.5) << what << std::hex << " ink " << ink << " paper " << paper;
        };
        auto readableOn = [&](QRgb ink, const ThemeGradient& g, const char* what) {
            for (int i = 0; i < g.count; ++i) readable(ink, g.stops[i], what);
        };
        readable(c.windowText, c.window, "window text");
        readable(c.text, c.base, "text");
        readable(c.text, c.alternateBase, "text on alternate rows");
        readable(c.buttonText, c.button, "button text");
        readable(c.highlightedText, c.highlight, "highlighted text");
        readable(c.groupTitle, c.window, "group box title");
        readableOn(c.menuBarText, c.menuBar, "menu bar");
        readable(c.menuBarHotText, c.menuBarHot, "hot menu bar item");
        readable(c.menuText, c.menuBack, "menu");
        readableOn(c.selectionText, c.selection, "selected menu item");
        readableOn(c.windowText, c.statusBar, "status bar");
        readableOn(c.buttonText, c.header, "grid header");
    }
}

TEST_F(Themes, MenusShowTheCommandImageAndTheMarks) {
    const QIcon icon = CommandIcon(32771);
    for (int code = 0; code < theme::kCount; ++code) {
        ASSERT_TRUE(ApplyTheme(code));
        SCOPED_TRACE(FindThemeColours(code)->name);
        const int column = QApplication::style()->pixelMetric(QStyle::PM_SmallIconSize) + 8;

        // The image sits in the icon column, left of the text.
        const QImage plain = RenderMenu(QIcon(), false, false, false);
        const QImage withIcon = RenderMenu(icon, false, false, false);
        ASSERT_EQ(plain.size(), withIcon.size());
        const auto [first, last] = DifferingColumns(plain, withIcon);
        EXPECT_GE(first, 0);
        EXPECT_LE(last, column) << "the image spills over the text";

        // Check marks of items without an image, and the selected item.
        const QImage unchecked = RenderMenu(QIcon(), true, false, false);
        const QImage checked = RenderMenu(QIcon(), true, true, false);
        EXPECT_NE(unchecked, checked);
        EXPECT_NE(RenderMenu(QIcon(), false, false, true), plain);
    }
}

TEST_F(Themes, MenuItemsHaveRoomForImageTextAndShortcut) {
    for (int code = 0; code < theme::kCount; ++code) {
        ASSERT_TRUE(ApplyTheme(code));
        QMenu menu;
        QAction* item = menu.addAction(CommandIcon(57604), QStringLiteral("名前を付けて保存(&A)...\tCtrl+S"));
        menu.resize(menu.sizeHint());
        const QFontMetrics fm(menu.font());
        const int needed = QApplication::style()->pixelMetric(QStyle::PM_SmallIconSize) +
                           fm.horizontalAdvance(QStringLiteral("名前を付けて保存(A)...")) +
                           fm.horizontalAdvance(QStringLiteral("Ctrl+S")) + 16;
        EXPECT_GE(menu.actionGeometry(item).width(), needed) << FindThemeColours(code)->name;
        EXPECT_GE(menu.actionGeometry(item).height(), fm.height());
    }
}
