// The window in Japanese and in English, as a screen reader finds it through
// Qt's accessibility interfaces (what the AT-SPI bridge hands on): every
// control named, the header band's lines and the grid's cells readable, the
// keyboard reaching the 未登録 bar before the grid; the texts in the chosen
// language, the Japanese ones exactly as they always were.
#include "AboutBox.h"
#include "CHistoryModel.h"
#include "CKuvoraDoc.h"
#include "CKuvoraView.h"
#include "CMainFrame.h"
#include "CSetupDlg.h"
#include "CSettingsStore.h"
#include "CSuicaGreenDlg.h"
#include "GuideWindow.h"
#include "ShownText.h"
#include "StationNameCommands.h"
#include "StoredCardsDock.h"
#include "TestSupport.h"
#include "UiLanguage.h"

#include <QAccessible>
#include <QAccessibleTableInterface>
#include <QApplication>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTableView>
#include <QTranslator>

#include <gtest/gtest.h>

namespace {

// The catalogues of a language for the life of the object; Japanese after.
class LanguageScope {
public:
    explicit LanguageScope(UiLanguage language)
        : before_(qApp->findChildren<QTranslator*>(Qt::FindDirectChildrenOnly)),
          installed(InstallUiLanguage(*qApp, language, false)) {}
    ~LanguageScope() {
        for (QTranslator* t : qApp->findChildren<QTranslator*>(Qt::FindDirectChildrenOnly))
            if (!before_.contains(t)) {
                QCoreApplication::removeTranslator(t);
                delete t;
            }
        SetJapaneseUi(true);
    }

private:
    QList<QTranslator*> before_;

public:
    const bool installed;
};

struct LanguageCase {
    UiLanguage language;
    QStringList menus;
    QString setamaruTypeLine;  // the band's card type line for the Setamaru sample
    QString idmLine;           // the band's IDm line for it
    QString firstColumn;
    QString setupTitle;
    QString greenMessage;  // the Green ticket dialog on a card that is no Suica
    QString guideTitle;
};

void PrintTo(const LanguageCase& c, std::ostream* out) {
    *out << (c.language == UiLanguage::Japanese ? "Japanese" : "English");
}

const LanguageCase kLanguages[] = {
    {UiLanguage::Japanese,
     {"ファイル(&F)", "編集(&E)", "表示(&V)", "モード(&M)", "ヘルプ(&H)"},
     "SF カードタイプ: せたまる",
     "FeliCa 製造番号(IDm): 01162B80751A0D3E (FeliCa製造 2018年07月18日)",
     "生データ",
     "Kuvora 設定",
     "Suicaが読み取れません。",
     "Kuvora ユーザーガイド"},
    {UiLanguage::English,
     {"&File", "&Edit", "&View", "&Mode", "&Help"},
     "Card type: Setamaru",
     "Manufacture ID (IDm): 01162B80751A0D3E (manufactured 2018-07-18)",
     "Raw",
     "Kuvora Settings",
     "The Suica card cannot be read.",
     "Kuvora User Guide"},
};

// What a person acts on or reads as a control: each needs a name.
bool needsName(const QAccessibleInterface* a) {
    switch (a->role()) {
    case QAccessible::Button:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::ComboBox:
    case QAccessible::EditableText:
    case QAccessible::SpinBox:
    case QAccessible::Table:
    case QAccessible::List:
    case QAccessible::ToolBar:
    case QAccessible::MenuBar:
    case QAccessible::PageTab:
    case QAccessible::Dialog:
    case QAccessible::Window: return true;
    case QAccessible::MenuItem: return !a->text(QAccessible::Name).isEmpty() || !a->state().invisible;
    default: return false;
    }
}

// The objects below `a` that need a name and have none, as "role objectName".
QStringList unnamed(QAccessibleInterface* a) {
    QStringList found;
    if (!a) return found;
    if (needsName(a) && a->text(QAccessible::Name).trimmed().isEmpty())
        found << QStringLiteral("%1 %2").arg(a->role()).arg(a->object() ? a->object()->objectName() : QString());
    // A table's cells are the grid's own test below.
    if (a->tableInterface()) return found;
    for (int i = 0; i < a->childCount(); ++i) found << unnamed(a->child(i));
    return found;
}

// The same as one text, to compare and print.
std::string unnamedIn(QWidget* w) {
    return unnamed(QAccessible::queryAccessibleInterface(w)).join(", ").toStdString();
}

class Language : public ::testing::TestWithParam<LanguageCase> {
protected:
    test::IsolatedHome home;
    RecordingMessageSink messages;
    ScopedMessageSink sink{&messages};
    test::LibrarySession session{"image:" + test::sourcePath("data/cards/setamaru-sample.json")};
};

}  // namespace

TEST_P(Language, TheMainWindowIsNamedAndItsBandAndGridRead) {
    const LanguageCase& c = GetParam();
    LanguageScope language(c.language);
    ASSERT_TRUE(language.installed);
    CKuvoraDoc doc;
    CMainFrame frame(&doc);
    frame.Library()->show();
    frame.show();
    ASSERT_TRUE(frame.Execute(32771));
    ASSERT_EQ(doc.m_nCardType, 4);

    QStringList menus;
    for (QAction* m : frame.menuBar()->actions()) menus << m->text();
    EXPECT_EQ(menus.join('|').toStdString(), c.menus.join('|').toStdString());
    EXPECT_EQ(unnamedIn(&frame), "");

    // The band: one line each, as it reads.
    QAccessibleInterface* band = QAccessible::queryAccessibleInterface(frame.View()->HeaderBand());
    ASSERT_NE(band, nullptr);
    QStringList lines;
    for (int i = 0; i < band->childCount(); ++i) {
        EXPECT_EQ(band->child(i)->role(), QAccessible::StaticText);
        lines << band->child(i)->text(QAccessible::Name);
    }
    EXPECT_TRUE(lines.contains(c.idmLine)) << lines.join('\n').toStdString();
    EXPECT_TRUE(lines.contains(c.setamaruTypeLine)) << lines.join('\n').toStdString();

    // The grid: its column titles as headers, each painted cell's text as the
    // cell's name (the card's data, the same in either language).
    QAccessibleInterface* grid = QAccessible::queryAccessibleInterface(frame.View()->Grid());
    QAccessibleTableInterface* table = grid->tableInterface();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->columnCount(), 12);
    ASSERT_GE(table->rowCount(), 2);
    QAccessibleInterface* first = table->cellAt(0, 0);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->text(QAccessible::Name), doc.m_History.Text(0, 0));
    const QList<QAccessibleInterface*> headers = first->tableCellInterface()->columnHeaderCells();
    ASSERT_EQ(headers.size(), 1);
    EXPECT_EQ(headers.first()->text(QAccessible::Name), c.firstColumn);
    const QModelIndex date = frame.View()->Model()->index(1, 3);
    EXPECT_EQ(table->cellAt(1, 3)->text(QAccessible::Name), date.data().toString());
    EXPECT_FALSE(date.data().toString().isEmpty());

    // Tab reaches the 未登録 bar's buttons, then the grid.
    ASSERT_TRUE(frame.NamesBar()->isVisible());
    QWidget* w = frame.NamesBar()->NameButton();
    QWidgetList chain;
    while (w && w != frame.View()->Grid() && chain.size() < 8) {
        if (w->focusPolicy() & Qt::TabFocus) chain << w;
        w = w->nextInFocusChain();
    }
    EXPECT_EQ(chain, QWidgetList({frame.NamesBar()->NameButton(), frame.NamesBar()->ImportButton(),
                                  frame.NamesBar()->NeverButton(), frame.NamesBar()->CloseButton()}));
    EXPECT_EQ(w, frame.View()->Grid());
}

TEST_P(Language, TheDialogsAreNamedInTheirLanguage) {
    const LanguageCase& c = GetParam();
    LanguageScope language(c.language);
    ASSERT_TRUE(language.installed);
    CSetupDlg setup;
    EXPECT_EQ(setup.windowTitle(), c.setupTitle);
    EXPECT_EQ(unnamedIn(&setup), "");
    CSuicaGreenDlg green;
    EXPECT_EQ(qobject_cast<QLineEdit*>(green.Control(CSuicaGreenDlg::IDC_MESSAGE))->text(), c.greenMessage);
    EXPECT_EQ(unnamedIn(&green), "");
    CAboutDlg about;
    EXPECT_EQ(unnamedIn(&about), "");
    GuideWindow guide;
    EXPECT_EQ(guide.windowTitle(), c.guideTitle);
    EXPECT_EQ(unnamedIn(&guide), "");
    // The guide's pages in the same language.
    EXPECT_TRUE(GuideIndexPath().endsWith(c.language == UiLanguage::Japanese ? "/ja/index.md" : "/en/index.md"));
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, Language, ::testing::ValuesIn(kLanguages),
                         [](const auto& info) { return info.param.language == UiLanguage::Japanese ? "Japanese" : "English"; });

TEST(ShownText, KnownLinesAndShapesInEnglishEverythingElseAsItIs) {
    LanguageScope english(UiLanguage::English);
    ASSERT_TRUE(english.installed);
    const std::pair<QString, QString> cases[] = {
        {"SF カードを認識することができません", "The card is not recognised"},
        // A message with its code after it, and a line with a file name in it.
        {"履歴保存データベースOpenエラー 8005001A\n/home/a/History.db は壊れているか履歴データベースではないため、"
         "変更せずにそのまま残しました。",
         "History database open error 8005001A\n/home/a/History.db is damaged or not a history database; it was "
         "left as it is."},
        {"入場駅名取得(鉄道)でエラーが発生しました。\n(GetDepartureStation:80004005)",
         "Looking up the entry station (rail) failed.\n(GetDepartureStation:80004005)"},
        {" (FeliCa製造 2018年07月18日)", " (manufactured 2018-07-18)"},
        {"長崎スマートカード", "Nagasaki Smart Card"},
        {"Suica/ICOCA/TOICA/PiTaPa/PASMO", "Suica/ICOCA/TOICA/PiTaPa/PASMO"},
        {"改札機", "改札機"},  // the card's data is no message
    };
    for (const auto& [japanese, english] : cases) EXPECT_EQ(ShownText(japanese), english) << japanese.toStdString();
    SetJapaneseUi(true);
    for (const auto& [japanese, english] : cases) EXPECT_EQ(ShownText(japanese), japanese);
}

TEST(UiLanguage, TheSettingElseTheLocaleChooses) {
    const struct {
        const char* setting;
        QStringList locale;
        UiLanguage chosen;
    } cases[] = {
        {"auto", {"ja-JP"}, UiLanguage::Japanese}, {"auto", {"en-US", "ja"}, UiLanguage::English},
        {"auto", {"C"}, UiLanguage::English},     {"auto", {}, UiLanguage::English},
        {"ja", {"en-US"}, UiLanguage::Japanese},  {"en", {"ja-JP"}, UiLanguage::English},
    };
    for (const auto& c : cases) EXPECT_EQ(ChooseUiLanguage(c.setting, c.locale), c.chosen) << c.setting;
    test::IsolatedHome home;
    for (const auto& [stored, read] : std::vector<std::pair<QString, QString>>{
             {"", "auto"}, {"EN", "en"}, {" ja ", "ja"}, {"fr", "auto"}, {"1", "auto"}}) {
        settings::WriteString("Language", stored);
        EXPECT_EQ(settings::Language(), read) << stored.toStdString();
    }
}
