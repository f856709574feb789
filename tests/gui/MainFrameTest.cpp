#include "CHistoryModel.h"
#include "CKuvoraDoc.h"
#include "CKuvoraView.h"
#include "CKuvoraApp.h"
#include "CMainFrame.h"
#include "CSettingsStore.h"
#include "CardTypes.h"
#include "CommandIds.h"
#include "CommandLine.h"
#include "EmulatedReader.h"
#include "TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>
#include <QShortcut>
#include <QStatusBar>
#include <QToolBar>

#include <gtest/gtest.h>

namespace {

// "text|id" for every item of a menu; "-" for a separator.
QStringList itemsOf(QMenu* menu) {
    QStringList items;
    for (QAction* a : menu->actions())
        items << (a->isSeparator() ? QString("-") : a->text() + "|" + QString::number(a->data().toInt()));
    return items;
}

struct Frame : ::testing::Test {
    test::IsolatedHome home;
    RecordingMessageSink messages;
    ScopedMessageSink sink{&messages};
};

}  // namespace

TEST_F(Frame, MenusHaveTheirTextsShortcutTextsAndIds) {
    CKuvoraDoc doc;
    CMainFrame frame(&doc);
    const QList<QAction*> menus = frame.menuBar()->actions();
    QStringList titles;
    for (QAction* m : menus) titles << m->text();
    EXPECT_EQ(titles, QStringList({"ファイル(&F)", "編集(&E)", "表示(&V)", "モード(&M)", "ヘルプ(&H)"}));
    EXPECT_EQ(itemsOf(menus[0]->menu()),
              QStringList({"読み取り\tCtrl+R(&R)|32771", "グリーン券情報読み取り\tCtrl+G(&G)|32790",
                           "名前を付けて保存(&A)...|57604", "カードイメージを開く...|32900",
                           "カードイメージとして保存...|32901", "リーダーの選択...|32902",
                           "駅名表を取り込む...|32925", "駅名表を書き出す...|32926", "-", "印刷...\tCtrl+P(&P)|57607",
                           "印刷プレビュー(&V)|57609", "プリンタの設定(&S)...|57606", "-", "設定(&C)|32772", "-",
                           "アプリケーションの終了(&X)|57665"}));
    EXPECT_EQ(itemsOf(menus[1]->menu()), QStringList({"コピー\tCtrl+C(&C)|57634", "-", "すべて選択\tCtrl+A(&A)|57642",
                                                      "-", "履歴読み上げ(&R)|32793", "読み上げ中止(&S)|32794"}));
    EXPECT_EQ(itemsOf(menus[2]->menu()), QStringList({"ツール バー(&T)|59392", "ステータス バー(&S)|59393", "-",
                                                      "カードを置いたら読み取る|32903", "-", "保存済みカード(&L)|32910",
                                                      "シンプル表示(&P)|32911", "-", "利用集計(&U)...|32930",
                                                      "交通費の一覧(&J)...|32931"}));
    // Every card type the program knows, in the menu's order.
    const QStringList allModes = {"Auto(&A)|32800", "-", "Suica/ICOCA/TOICA/PiTaPa/PASMO|32801", "IruCa|32802",
                                  "ICa|32803", "せたまる|32804", "RapiCa|32805", "CI-CA|32806", "nice･pass!|32807",
                                  "長崎スマートカード|32808", "LuLuCa|32809", "ICい～カード|32810", "passca|32811", "-",
                                  "Edy|32850", "JAL IC|32851", "ICい～カード(モバイル)|32852",
                                  "nanaco|32853", "WAON|32854"};
    EXPECT_EQ(itemsOf(menus[3]->menu()), allModes);
    EXPECT_EQ(itemsOf(menus[4]->menu()),
              QStringList({"トピックの検索(&H)|57667", "-", "バージョン情報 Kuvora(&A)...|57664"}));
    EXPECT_EQ(frame.Action(32771)->statusTip(), "カードの読み取り");
    EXPECT_EQ(frame.Action(32771)->toolTip(), "読み取り");
    EXPECT_EQ(frame.Action(32805)->statusTip(), "かごしま5事業者共通乗車カード");
}

TEST_F(Frame, AcceleratorsAndDisabledCommands) {
    CKuvoraDoc doc;
    CMainFrame frame(&doc);
    QMap<QString, int> keys;
    for (QShortcut* s : frame.findChildren<QShortcut*>()) keys[s->key().toString()] = 0;
    for (const char* k : {"Ctrl+R", "Ctrl+C", "Ctrl+Ins", "Ctrl+X", "Shift+Del", "Ctrl+V", "Shift+Ins", "Ctrl+A",
                          "Ctrl+Z", "Alt+Backspace", "Ctrl+N", "Ctrl+O", "Ctrl+P", "Ctrl+S", "F1", "Shift+F1", "F6",
                          "Shift+F6"})
        EXPECT_TRUE(keys.contains(k)) << k;
    // Cut, paste, undo and open have no handler: their keys do nothing.
    for (int id : {57635, 57637, 57643, 57601}) EXPECT_FALSE(frame.Execute(id)) << id;
    EXPECT_TRUE(frame.Action(32771)->isEnabled());
    EXPECT_TRUE(frame.Action(57642)->isEnabled());
    // Print, Print Preview, Print Setup and Copy are there from the start.
    for (int id : {57607, 57609, 57606, 57634}) EXPECT_TRUE(frame.Action(id)->isEnabled()) << id;
    // The tool bar in its order.
    QList<int> buttons;
    for (QAction* a : frame.ToolBar()->actions()) buttons << (a->isSeparator() ? 0 : a->data().toInt());
    EXPECT_EQ(buttons, QList<int>({32771, 32790, 57604, 32772, 0, 57634, 32793, 32794, 0, 57607, 57664, 57669}));
}

TEST_F(Frame, ModePaneShowsTheStoredModeAndFollowsTheModeMenu) {
    for (const auto& [mode, label] : std::vector<std::pair<int, QString>>{
             {5, "RaPiCa"}, {130, "い～カード(モバイル)"}, {12, ""}, {0, "Auto"}}) {
        settings::SetMode(mode);
        CKuvoraDoc doc;
        CMainFrame frame(&doc);
        EXPECT_EQ(frame.ModePane()->text(), label) << mode;
    }
    CKuvoraDoc doc;
    CMainFrame frame(&doc);
    frame.Action(32802)->trigger();
    EXPECT_EQ(frame.ModePane()->text(), "IruCa");
    EXPECT_TRUE(frame.Action(32802)->isChecked());
    EXPECT_FALSE(frame.Action(32800)->isChecked());
    EXPECT_EQ(settings::Mode(), 2);
    EXPECT_GE(frame.ModePane()->width(), frame.ModePane()->fontMetrics().horizontalAdvance("Suica/ICOCA/TOICA/PiTaPa/PASMO"));
}

// The window comes back as it was left: its size (the normal one when it
// was closed maximised), maximised, and with the plain list.
TEST_F(Frame, WindowSizeIsKeptAlsoWhenClosedMaximised) {
    {
        CKuvoraDoc doc;
        CMainFrame frame(&doc);
        EXPECT_EQ(frame.size(), QSize(940, 550));
        EXPECT_FALSE(frame.View()->IsPlainView());
        frame.show();
        frame.resize(700, 480);
        frame.showMaximized();
        ASSERT_TRUE(frame.Execute(cmd::ViewPlainList));
        QApplication::processEvents();
        frame.close();
    }
    EXPECT_EQ(settings::WindowWidth(), 700);
    EXPECT_EQ(settings::WindowHeight(), 480);
    CKuvoraDoc doc;
    CMainFrame frame(&doc);
    EXPECT_EQ(frame.size(), QSize(700, 480));
    EXPECT_TRUE(frame.View()->IsPlainView() && frame.Action(cmd::ViewPlainList)->isChecked());
    frame.show();
    EXPECT_TRUE(frame.isMaximized());
}

TEST_F(Frame, ReadRunsTheDocumentAndRefreshesTheGrid) {
    test::LibrarySession session("image:" + test::sourcePath("data/cards/suica-sample.json"));
    CKuvoraDoc doc;
    doc.OnNewDocument();
    CMainFrame frame(&doc);
    frame.show();
    frame.setWindowTitle("other");
    ASSERT_TRUE(frame.Execute(32771));
    EXPECT_TRUE(messages.messages.isEmpty()) << messages.messages.join('|').toStdString();
    EXPECT_EQ(frame.windowTitle(), "Kuvora");
    EXPECT_EQ(frame.View()->Model()->rowCount(), 40);
    EXPECT_EQ(frame.View()->Model()->index(0, 0).data().toString(), "16010000357C011001308E0D0002B400");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(frame.statusBar()->currentMessage(), "");
    ASSERT_TRUE(frame.Execute(57600));  // a new, empty document
    EXPECT_EQ(frame.View()->Model()->index(0, 0).data().toString(), "");
}

TEST(MainFrame, QtsOwnButtonsSpeakJapanese) {
    ASSERT_TRUE(InstallQtTranslations(*QCoreApplication::instance()));
    QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    EXPECT_EQ(box.button(QDialogButtonBox::Cancel)->text(), "キャンセル");
}

TEST(CommandLine, SwitchesInAnyCaseAfterSlashOrDash) {
    using L = CommandLine::Launch;
    EXPECT_EQ(ParseCommandLine({}).launch, L::Interactive);
    EXPECT_EQ(ParseCommandLine({"/Embedding"}).launch, L::Embedding);
    EXPECT_EQ(ParseCommandLine({"-automation"}).launch, L::Automation);
    EXPECT_EQ(ParseCommandLine({"/REGSERVER"}).launch, L::Register);
    EXPECT_EQ(ParseCommandLine({"-Register"}).launch, L::Register);
    EXPECT_EQ(ParseCommandLine({"/unregserver"}).launch, L::Unregister);
    EXPECT_EQ(ParseCommandLine({"-UNREGISTER"}).launch, L::Unregister);
    EXPECT_EQ(ParseCommandLine({"Register", "/other", "file.txt"}).launch, L::Interactive);
    const CommandLine c = ParseCommandLine({"--reader", "image:/tmp/x.json", "--read"});
    EXPECT_EQ(c.reader, "image:/tmp/x.json");
    EXPECT_TRUE(c.readAtStart);
    EXPECT_FALSE(ParseCommandLine({"--reader"}).error.isEmpty());
    EXPECT_EQ(ParseCommandLine({"/home/u/card.json"}).cardImage, "/home/u/card.json");
    EXPECT_EQ(ParseCommandLine({"/home/u/card.json"}).launch, L::Interactive);
    EXPECT_FALSE(ParseCommandLine({"a.json", "b.json"}).error.isEmpty());
    EXPECT_TRUE(ParseCommandLine({"--help"}).help);
    EXPECT_TRUE(ParseCommandLine({"--version"}).version);
}

TEST(CommandLine, HelpAndVersionPrintWithoutADisplayAndAFileIsReadAtOnce) {
    test::IsolatedHome home;
    const QString kuvora = test::binaryPath("bin/kuvora");
    auto r = test::runInHome(home, kuvora, {"--version"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.startsWith("kuvora 1.")) << r.out.toStdString();
    r = test::runInHome(home, kuvora, {"--help"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.contains("CARD_IMAGE")) << r.out.toStdString();

    // Started with a card image, the window reads it: its rows reach History.db.
    QProcess window;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", home.configHome());
    env.insert("XDG_DATA_HOME", home.dataHome());
    env.insert("HOME", home.path());
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.remove("KUVORA_READER");
    env.remove("DBUS_SESSION_BUS_ADDRESS");
    window.setProcessEnvironment(env);
    window.start(kuvora, {test::sourcePath("data/cards/suica-sample.json")});
    ASSERT_TRUE(window.waitForStarted());
    QString stored;
    for (int i = 0; i < 100 && !stored.contains("\"rows\":20"); ++i) {
        QThread::msleep(100);
        stored = test::runInHome(home, test::binaryPath("bin/kuvora-cli"), {"history"}).out;
    }
    window.kill();
    window.waitForFinished();
    EXPECT_TRUE(stored.contains("01010410C8192A3B")) << stored.toStdString();
}

// View > カードを置いたら読み取る: a card placed is read once per placement,
// the choice is kept in the settings, and turning it off ends the watch.
TEST_F(Frame, ReadOnTouchReadsEachPlacementOnce) {
    test::EmulatedReader reader;
    reader.emu.liftCard();
    test::LibrarySession session(reader.name());
    CKuvoraDoc doc;
    doc.OnNewDocument();
    CMainFrame frame(&doc);
    int reads = 0;
    frame.SetHandler(cmd::CardRead, [&] {
        ++reads;
        frame.ReadCard();
    });
    auto readsWithin = [&](int wanted, int ms) {
        for (int waited = 0; reads < wanted && waited < ms; waited += 20) {
            QApplication::processEvents();
            QThread::msleep(20);
        }
        QApplication::processEvents();
        return reads;
    };
    ASSERT_TRUE(frame.Execute(cmd::ReadOnTouch));
    EXPECT_TRUE(frame.Action(cmd::ReadOnTouch)->isChecked());
    EXPECT_EQ(settings::ReadInt("ReadOnTouch", 0), 1);
    EXPECT_EQ(readsWithin(1, 600), 0);
    reader.emu.placeCard();
    EXPECT_EQ(readsWithin(1, 10000), 1);
    EXPECT_EQ(doc.m_strIDm, "01010410C8192A3B");
    EXPECT_EQ(readsWithin(2, 1200), 1);  // left on the reader: read once
    reader.emu.liftCard();
    readsWithin(2, 800);
    reader.emu.placeCard();
    EXPECT_EQ(readsWithin(2, 10000), 2);
    ASSERT_TRUE(frame.Execute(cmd::ReadOnTouch));
    EXPECT_FALSE(frame.Action(cmd::ReadOnTouch)->isChecked());
    EXPECT_EQ(settings::ReadInt("ReadOnTouch", 1), 0);
    reader.emu.liftCard();
    reader.emu.placeCard();
    EXPECT_EQ(readsWithin(3, 1000), 2);
}

TEST(CommandLine, HelpAndTheManualPageNameEveryReaderFormAndAutoAsTheDefault) {
    QFile page(test::sourcePath("docs/man/kuvora.1"));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    const QString manual = QString::fromUtf8(page.readAll()).remove("\\fB").remove("\\fI").remove("\\fR").remove("\\");
    const QString usage = CommandLineUsage();
    for (const char* form : {"auto", "pcsc", "pcsc:NAME", "usb", "usb:BUS:ADDRESS", "nfc", "nfc:CONNSTRING", "image:PATH"}) {
        EXPECT_TRUE(usage.contains(form)) << form;
        EXPECT_TRUE(manual.contains(form)) << form;
    }
    EXPECT_TRUE(usage.contains(QRegularExpression("auto .*\\(the default\\)", QRegularExpression::DotMatchesEverythingOption)));
    EXPECT_TRUE(usage.contains("else auto"));
    EXPECT_TRUE(manual.contains("(the default)"));
}
