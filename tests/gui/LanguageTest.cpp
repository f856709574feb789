// The window in Japanese and in English, as a screen reader finds it through
// Qt's accessibility interfaces (what the AT-SPI bridge hands on): every
// control named, the header band's lines and the grid's cells readable, Tab
// reaching the 未登録 bar before the grid; the texts in the chosen language,
// the Japanese ones as they always were: the dialogs', the empty window's
// hint, the import's problems, the expense claim's and a stored card's.
#include "AboutBox.h"
#include "CHistoryModel.h"
#include "CKuvoraDoc.h"
#include "CKuvoraView.h"
#include "CMainFrame.h"
#include "CNameCodeDlg.h"
#include "CSettingsStore.h"
#include "CSetupDlg.h"
#include "CSuicaGreenDlg.h"
#include "GuideWindow.h"
#include "ShownText.h"
#include "SpendingDialog.h"
#include "StationCodeSchema.h"
#include "StationNameCommands.h"
#include "StoredCardsDock.h"
#include "TestSupport.h"
#include "UiLanguage.h"

#include <QAccessible>
#include <QAccessibleTableInterface>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTranslator>

#include <gtest/gtest.h>

namespace {

// The catalogues of a language for the life of the object; Japanese after.
struct LanguageScope {
    explicit LanguageScope(UiLanguage language) : installed(InstallUiLanguage(*qApp, language, false)) {}
    ~LanguageScope() {
        for (QTranslator* t : qApp->findChildren<QTranslator*>(Qt::FindDirectChildrenOnly))
            if (!before.contains(t)) delete t;
        SetJapaneseUi(true);
    }
    const QList<QTranslator*> before = qApp->findChildren<QTranslator*>(Qt::FindDirectChildrenOnly);
    const bool installed;
};

struct LanguageCase {
    UiLanguage language;
    QString menus, idmLine, typeLine, firstColumn, setupTitle, greenMessage, guideTitle, guidePage;
    // The card read in the spending and journeys dialogs, then the empty
    // window, the 未登録 bar, the naming, import and forget dialogs.
    QStringList dialogTexts;
    // The import's problems as the list shows them.
    QStringList importProblems;
    QString claimCsv;
};

void PrintTo(const LanguageCase& c, std::ostream* out) {
    *out << (c.language == UiLanguage::Japanese ? "Japanese" : "English");
}

// The Setamaru sample card read, then the dialogs (the Green ticket one on
// that card, which is no Suica).
const LanguageCase kLanguages[] = {
    {UiLanguage::Japanese, "ファイル(&F) 編集(&E) 表示(&V) モード(&M) ヘルプ(&H)",
     "FeliCa 製造番号(IDm): 01162B80751A0D3E (FeliCa製造 2018年07月18日)", "SF カードタイプ: せたまる", "生データ",
     "Kuvora 設定", "Suicaが読み取れません。", "Kuvora ユーザーガイド", "/ja/index.md",
     {"せたまる  IDm 01162B80751A0D3E  (20 件)", "18 件  合計 2,880 円", "乗車", "カードをリーダ・ライタに置いて、",
      "駅名を登録", "テーブル: コード: 駅名: 会社名: 路線名:", "駅名表を読んでいます...",
      "Suica/ICOCA/TOICA/PiTaPa/PASMO（はやかけん）", "IDm 0101041087654321（1 件）"},
     {"a.csv の 1 行目: 列の名前がどの駅コード表とも合いません（ファイル名を表の名前にしてください。例: StationCode.csv）",
      "a.csv の 3 行目: 項目が 2 個あります（7 個のはずです）"},
     "交通費明細\r\nカード,通勤用（PASMO）\r\nIDm,\"=\"\"0101041087654321\"\"\"\r\n期間,2026-11-29,2026-11-30\r\n\r\n"
     "日付,種別,乗車,降車,運賃\r\n2026-11-30,乗車,池袋,目白,140\r\n合計,,,,140\r\n"},
    {UiLanguage::English, "&File &Edit &View &Mode &Help",
     "Manufacture ID (IDm): 01162B80751A0D3E (manufactured 2018-07-18)", "Card type: Setamaru", "Raw",
     "Kuvora Settings", "The Suica card cannot be read.", "Kuvora User Guide", "/en/index.md",
     {"Setamaru  IDm 01162B80751A0D3E  (20 records)", "18 journeys  Total ¥2,880", "Ride",
      "Place a card on the reader/writer,", "Name the Station", "Table: Code: Station name: Company name: Line name:",
      "Reading the station table...", "Suica/ICOCA/TOICA/PiTaPa/PASMO (Hayakaken)",
      "IDm 0101041087654321 (1 record)"},
     {"a.csv:1: the columns match no station-code table; name the file after its table (for example StationCode.csv)",
      "a.csv:3: 2 fields, expected 7"},
     "Travel Expenses\r\nCard,通勤用 (PASMO)\r\nIDm,\"=\"\"0101041087654321\"\"\"\r\nPeriod,2026-11-29,2026-11-30\r\n\r\n"
     "Date,Kind,From,To,Fare\r\n2026-11-30,Ride,池袋,目白,140\r\nTotal,,,,140\r\n"},
};

// The objects below `a` that a person acts on (or reads as a control) and
// that have no name, as "role objectName".
QStringList unnamed(QAccessibleInterface* a) {
    using A = QAccessible;
    static const QList<A::Role> controls = {A::Button,   A::CheckBox, A::RadioButton, A::ComboBox, A::EditableText,
                                            A::SpinBox,  A::Table,    A::List,        A::ToolBar,  A::MenuBar,
                                            A::PageTab,  A::Dialog,   A::Window,      A::Grip};
    QStringList found;
    if (controls.contains(a->role()) && a->text(A::Name).trimmed().isEmpty())
        found << QStringLiteral("%1 %2").arg(a->role()).arg(a->object() ? a->object()->objectName() : QString());
    if (!a->tableInterface())  // the grid's cells are looked at on their own
        for (int i = 0; i < a->childCount(); ++i) found << unnamed(a->child(i));
    return found;
}

std::string unnamedIn(QWidget* w) { return unnamed(QAccessible::queryAccessibleInterface(w)).join(", ").toStdString(); }

class Language : public ::testing::TestWithParam<LanguageCase> {
protected:
    test::IsolatedHome home;
    RecordingMessageSink messages;
    ScopedMessageSink sink{&messages};
    test::LibrarySession session{"image:" + test::sourcePath("data/cards/setamaru-sample.json")};
    LanguageScope language{GetParam().language};
};

}  // namespace

TEST_P(Language, TheMainWindowIsNamedAndItsBandAndGridRead) {
    const LanguageCase& c = GetParam();
    ASSERT_TRUE(language.installed);
    CKuvoraDoc doc;
    CMainFrame frame(&doc);
    frame.StoredCards()->show();
    frame.show();
    ASSERT_TRUE(frame.Execute(32771));
    QStringList menus;
    for (QAction* m : frame.menuBar()->actions()) menus << m->text();
    EXPECT_EQ(menus.join(' ').toStdString(), c.menus.toStdString());
    EXPECT_EQ(unnamedIn(&frame), "");

    // The band: a label a line.
    QAccessibleInterface* band = QAccessible::queryAccessibleInterface(frame.View()->HeaderBand());
    QStringList lines;
    for (int i = 0; i < band->childCount(); ++i)
        if (band->child(i)->role() == QAccessible::StaticText) lines << band->child(i)->text(QAccessible::Name);
    EXPECT_TRUE(lines.contains(c.idmLine) && lines.contains(c.typeLine)) << lines.join('\n').toStdString();

    // The grid: each cell's text as its name (the card's data, the same in
    // either language) with the column's title as its header.
    QAccessibleTableInterface* table = QAccessible::queryAccessibleInterface(frame.View()->Grid())->tableInterface();
    ASSERT_EQ(table->columnCount(), 12);
    for (const auto& [row, column] : {std::pair(0, 0), std::pair(1, 3)}) {
        QAccessibleInterface* cell = table->cellAt(row, column);
        const QString text = frame.View()->Model()->index(row, column).data().toString();
        EXPECT_FALSE(text.isEmpty());
        EXPECT_EQ(cell->text(QAccessible::Name), text);
    }
    const QList<QAccessibleInterface*> headers = table->cellAt(0, 0)->tableCellInterface()->columnHeaderCells();
    ASSERT_EQ(headers.size(), 1);
    EXPECT_EQ(headers[0]->text(QAccessible::Name), c.firstColumn);
    // Qt makes them for the caller and keeps none: handed to its cache to go.
    for (QAccessibleInterface* h : headers)
        QAccessible::deleteAccessibleInterface(QAccessible::registerAccessibleInterface(h));

    // Tab: the 未登録 bar's buttons, then the grid.
    UnregisteredNamesBar* bar = frame.NamesBar();
    ASSERT_TRUE(bar->isVisible());
    QWidgetList chain;
    for (QWidget* w = bar->NameButton(); w != frame.View()->Grid() && chain.size() < 8; w = w->nextInFocusChain())
        if (w->focusPolicy() & Qt::TabFocus) chain << w;
    EXPECT_EQ(chain, QWidgetList({bar->NameButton(), bar->ImportButton(), bar->NeverButton(), bar->CloseButton()}));
}

TEST_P(Language, TheSpendingNamingImportAndForgetDialogsSpeakIt) {
    const LanguageCase& c = GetParam();
    ASSERT_TRUE(language.installed);
    CKuvoraDoc doc;
    doc.OnNewDocument();
    doc.OnCardRead();
    SpendingDialog spending(doc);
    JourneysDialog journeys(doc);
    const NameKey key{FindStationCodeTable("StationCode"), {0, 1, 16}};
    CNameCodeDlg naming(key);
    StationImportProgressDialog progress;
    UnregisteredNamesBar bar;
    QStringList labels;
    for (const QLabel* label : naming.findChildren<QLabel*>())
        if (label->text().endsWith(':')) labels << label->text();
    const QStringList question =
        StoredCardsDock::ForgetQuestion({"0101041087654321", 1, 1, "", "", "", "はやかけん"}).split('\n');
    const QStringList texts = {spending.findChild<QLabel*>()->text(), journeys.TotalLabel()->text(),
                               journeys.Table()->item(0, 1)->text(), EmptyWindowHint("auto").section('\n', 0, 0),
                               bar.NameButton()->text(), labels.join(' '), progress.Label()->text(),
                               question.value(2), question.value(3)};
    EXPECT_EQ(texts.join(" | ").toStdString(), c.dialogTexts.join(" | ").toStdString());
    for (QWidget* w : {static_cast<QWidget*>(&spending), static_cast<QWidget*>(&journeys),
                       static_cast<QWidget*>(&naming), static_cast<QWidget*>(&progress)})
        EXPECT_EQ(unnamedIn(w), "") << w->windowTitle().toStdString();

    // The import's English problems: the window's own hint for the table a
    // file is for, the others as they are (or in Japanese).
    StationImportErrorsDialog errors(
        {"/d/a.csv:1: the columns match no station-code table; name the table with --table",
         "/d/a.csv:3: 2 fields, expected 7"},
        {"/d/a.csv"});
    EXPECT_EQ(errors.List()->toPlainText().toStdString(), c.importProblems.join('\n').toStdString());

    // (fromUtf8 leaves out the byte order mark before it.)
    const ExpenseClaim claim{"通勤用",     "PASMO", "0101041087654321", "2026-11-29", "2026-11-30",
                             {{"2026-11-30", "池袋", "目白", 140}}};
    EXPECT_EQ(QString::fromUtf8(ExpenseClaimCsv(claim)).toStdString(), c.claimCsv.toStdString());
}

TEST_P(Language, TheDialogsAreNamedInTheirLanguage) {
    const LanguageCase& c = GetParam();
    ASSERT_TRUE(language.installed);
    CSetupDlg setup;
    EXPECT_EQ(setup.windowTitle(), c.setupTitle);
    CSuicaGreenDlg green;
    EXPECT_EQ(qobject_cast<QLineEdit*>(green.Control(CSuicaGreenDlg::IDC_MESSAGE))->text(), c.greenMessage);
    CAboutDlg about;
    GuideWindow guide;
    EXPECT_EQ(guide.windowTitle(), c.guideTitle);
    EXPECT_TRUE(GuideIndexPath().endsWith(c.guidePage));
    for (QWidget* w : {static_cast<QWidget*>(&setup), static_cast<QWidget*>(&green), static_cast<QWidget*>(&about),
                       static_cast<QWidget*>(&guide)})
        EXPECT_EQ(unnamedIn(w), "") << w->windowTitle().toStdString();
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, Language, ::testing::ValuesIn(kLanguages), [](const auto& info) {
    return info.param.language == UiLanguage::Japanese ? "Japanese" : "English";
});

TEST(ShownText, KnownLinesAndShapesInEnglishEverythingElseAsItIs) {
    LanguageScope english(UiLanguage::English);
    ASSERT_TRUE(english.installed);
    const std::pair<QString, QString> cases[] = {
        // A message with its code after it, and a line with a file name in it.
        {"履歴保存データベースOpenエラー 8005001A\n/a/History.db は壊れているか履歴データベースではないため、"
         "変更せずにそのまま残しました。",
         "History database open error 8005001A\n/a/History.db is damaged or not a history database; it was left as "
         "it is."},
        {"入場駅名取得(鉄道)でエラーが発生しました。\n(GetDepartureStation:80004005)",
         "Looking up the entry station (rail) failed.\n(GetDepartureStation:80004005)"},
        {"長崎スマートカード", "Nagasaki Smart Card"},
        {"改札機", "改札機"},  // the card's data is no message
    };
    for (const auto& [japanese, english] : cases) EXPECT_EQ(ShownText(japanese), english) << japanese.toStdString();
    SetJapaneseUi(true);
    for (const auto& [japanese, english] : cases) EXPECT_EQ(ShownText(japanese), japanese);
}

TEST(UiLanguage, TheSettingElseTheLocaleChooses) {
    using L = UiLanguage;
    const std::tuple<QString, QStringList, L> cases[] = {
        {"auto", {"ja-JP"}, L::Japanese}, {"auto", {"en-US", "ja"}, L::English}, {"auto", {"C"}, L::English},
        {"auto", {}, L::English},         {"ja", {"en-US"}, L::Japanese},       {"en", {"ja-JP"}, L::English}};
    for (const auto& [setting, locale, chosen] : cases)
        EXPECT_EQ(ChooseUiLanguage(setting, locale), chosen) << setting.toStdString();
    test::IsolatedHome home;
    for (const auto& [stored, read] : {std::pair("", "auto"), std::pair(" EN ", "en"), std::pair("fr", "auto")}) {
        settings::WriteString("Language", stored);
        EXPECT_EQ(settings::Language(), read) << stored;
    }
}
