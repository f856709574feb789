// The themes that draw the menus, the menu bar, the tool bar, the status bar,
// the dialogs and the grid's header. Each theme is a Fusion-based style with
// its own palette and its own drawing of those parts; applying one makes it
// the whole application's style.
//
// Theme codes follow the settings dialog's order of menu styles:
//   0 basic, 1 XP, 2 special, 3 ICY, 4 Office 2003, 5 colourful.
#pragma once

#include <QRgb>

namespace theme {
constexpr int kBasic = 0;
constexpr int kXp = 1;
constexpr int kSpecial = 2;
constexpr int kIcy = 3;
constexpr int kOffice2003 = 4;
constexpr int kColourful = 5;
constexpr int kCount = 6;
}  // namespace theme

// A gradient of up to six colours spread evenly, top to bottom or left to
// right. `count` 0 means "not drawn".
struct ThemeGradient {
    QRgb stops[6];
    int count;
    bool horizontal;
};

// Everything a theme paints with.
struct ThemeColours {
    int code;
    const char* name;
    // The palette of windows, dialogs and views.
    QRgb window, windowText, base, alternateBase, text, button, buttonText, highlight, highlightedText;
    // The menu bar, and its item under the mouse or open.
    ThemeGradient menuBar;
    QRgb menuBarText, menuBarHot, menuBarHotBorder, menuBarHotText;
    // Pop-up menus: background, border, text, the icon column, the selected item.
    QRgb menuBack, menuBorder, menuText;
    ThemeGradient gutter;
    ThemeGradient selection;
    QRgb selectionBorder, selectionText, separator;
    // The tool bar and its buttons under the mouse or pressed.
    ThemeGradient toolBar;
    QRgb toolBarBorder;
    ThemeGradient toolHot;
    QRgb toolHotBorder, toolDown;
    // The status bar (its text is the palette's window text).
    ThemeGradient statusBar;
    // The grid's header sections (their text is the palette's button text).
    ThemeGradient header;
    QRgb headerBorder;
    // Group boxes of dialogs.
    QRgb groupBorder, groupTitle;
    int radius;  // corners of selected and hot rectangles, in pixels
    bool bevel;  // raised and sunken edges instead of flat borders
    bool glass;  // a light sheen on the upper half of selected and hot rectangles
};

// Makes the theme with this code the application's (a QApplication must
// exist). An unknown code leaves the current theme and returns false.
bool ApplyTheme(int themeCode);
// The code of the theme applied last; -1 before the first.
int CurrentTheme();
// The theme that a stored menu style ("NewMenuStyle") selects at start-up.
int ThemeCodeForMenuStyle(int menuStyle);
// Start-up's step: applies the theme of `menuStyle`; false if none was applied.
bool ApplyMenuStyle(int menuStyle);
// The colours of a theme; null for an unknown code.
const ThemeColours* FindThemeColours(int themeCode);
