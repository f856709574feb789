#include "CHistoryModel.h"
#include "CKuvoraDoc.h"
#include "CKuvoraView.h"
#include "CMainFrame.h"
#include "CNameCodeDlg.h"
#include "CSettingsStore.h"
#include "CardImageCommands.h"
#include "CommandIds.h"
#include "StationDatabasePaths.h"
#include "StationDbBuilder.h"
#include "StationNameCommands.h"
#include "StoredCardsDock.h"
#include "TestSupport.h"
#include "ViewLayout.h"
#include "library_control.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

using namespace history;

namespace {

// Runs `onDialog` on the first modal T shown from now on, then closes it.
template <typename T>
void whenShown(std::function<void(T*)> onDialog, int tries = 500) {
    QTimer::singleShot(10, [onDialog, tries] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
            onDialog(dialog);
            if (dialog->isVisible()) dialog->reject();
        } else if (tries > 0) whenShown<T>(onDialog, tries - 1);
    });
}

QStringList bandTexts(const CKuvoraDoc& doc) {
    QStringList texts;
    for (const view::PlacedText& t : view::HeaderBandTexts(doc)) texts << t.text;
    return texts;
}

struct NameGuidance : ::testing::Test {
    test::IsolatedHome home;
    RecordingMessageSink messages;
    ScopedMessageSink sink{&messages};
    test::LibrarySession session{"image:" + test::sourcePath("data/cards/suica-sample.json")};
    CKuvoraDoc doc;
    std::unique_ptr<CMainFrame> frame;

    void SetUp() override {
        doc.OnNewDocument();
        doc.m_nMode = 1;
        frame = std::make_unique<CMainFrame>(&doc);
    }
    CKuvoraView* view() const { return frame->View(); }
    QModelIndex cell(int record, int column) const {
        const CHistoryModel& model = *view()->Model();
        for (int c = 0; c < view::kGridColumns; ++c) {
            if (view::Column(c).upper == column) return model.index(2 * record, c);
            if (view::Column(c).lower == column) return model.index(2 * record + 1, c);
        }
        return {};
    }
    QString write(const QString& name, const QByteArray& bytes) const {
        QFile f(home.file(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
        return f.fileName();
    }
};

const QByteArray kStations = "AreaCode,LineCode,StationCode,CompanyName,LineName,StationName,Note\r\n"
                             "0,0x01,0x10,見本鉄道,見本線,見本中央,\r\n"
                             "0,1,0x30,見本鉄道,見本線,見本公園,\r\n";

}  // namespace

TEST(EmptyWindowHint, NamesTheReaderThatWillBeUsed) {
    const struct {
        const char* reader;
        const char* shown;
    } cases[] = {
        {"auto", "自動（最初に見つかったリーダ・ライタ）"},
        {"", "自動（最初に見つかったリーダ・ライタ）"},
        {"image:/home/u/カード/card.json", "カードイメージ card.json"},
        {"usb", "USB の最初の RC-S380"},
        {"usb:001:004", "usb:001:004"},
        {"pcsc:ACS ACR122U 00 00", "pcsc:ACS ACR122U 00 00"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReaderDisplayName(QString::fromUtf8(c.reader)), QString::fromUtf8(c.shown)) << c.reader;
        const QString hint = EmptyWindowHint(QString::fromUtf8(c.reader));
        for (const QString& part : {QString("読み取り (Ctrl+R)"), "使うリーダ・ライタ: " + QString::fromUtf8(c.shown),
                                    QString("リーダーの選択...")})
            EXPECT_TRUE(hint.contains(part)) << hint.toStdString();
    }
}

// The empty grid shows the hint until a card is shown, and again after New.
TEST_F(NameGuidance, EmptyGridHintGoesWithTheFirstRow) {
    QLabel* hint = view()->EmptyHint();
    EXPECT_FALSE(hint->isHidden());
    EXPECT_EQ(hint->text(), EmptyWindowHint(QString::fromStdString(felica::readerName())));
    EXPECT_TRUE(hint->text().contains("カードイメージ suica-sample.json")) << hint->text().toStdString();
    ASSERT_TRUE(frame->Execute(cmd::CardRead));
    EXPECT_TRUE(hint->isHidden());
    ASSERT_TRUE(frame->Execute(cmd::FileNew));
    EXPECT_FALSE(hint->isHidden());
}

// A 未登録 cell tells, as its tool tip and in the status bar, that a
// double-click names it; other cells keep their own.
TEST_F(NameGuidance, UnregisteredCellsTellHowToNameThem) {
    ASSERT_TRUE(frame->Execute(cmd::CardRead));
    const QModelIndex station = cell(0, DepartureStation);
    const QModelIndex balance = cell(0, Balance);
    ASSERT_EQ(station.data().toString(), "未登録");
    EXPECT_EQ(station.data(Qt::ToolTipRole).toString(), CHistoryModel::NameableToolTip());
    EXPECT_TRUE(CHistoryModel::NameableToolTip().contains("ダブルクリック"));
    EXPECT_EQ(station.data(Qt::StatusTipRole).toString(), CHistoryModel::NameablePrompt());
    EXPECT_EQ(balance.data(Qt::ToolTipRole).toString(), balance.data().toString());
    EXPECT_TRUE(balance.data(Qt::StatusTipRole).toString().isEmpty());

    view()->Grid()->setCurrentIndex(station);
    EXPECT_EQ(frame->statusBar()->currentMessage(), CHistoryModel::NameablePrompt());
    view()->Grid()->setCurrentIndex(balance);
    EXPECT_TRUE(frame->statusBar()->currentMessage().isEmpty());
    frame->statusBar()->showMessage("ほかの知らせ");
    view()->Grid()->setCurrentIndex(cell(1, Balance));
    EXPECT_EQ(frame->statusBar()->currentMessage(), "ほかの知らせ");
}

// After a read with 未登録 names the bar shows; 駅名を登録 opens the naming
// dialog on the first such cell, whose line name is kept and whose name
// reaches the gate log band; × hides it until the next read, 今後表示しない
// for good.
TEST_F(NameGuidance, TheBarLeadsToNamingAndCanBeHiddenForGood) {
    UnregisteredNamesBar* bar = frame->NamesBar();
    EXPECT_TRUE(bar->isHidden());  // nothing read yet
    ASSERT_TRUE(frame->Execute(cmd::CardRead));
    EXPECT_FALSE(bar->isHidden());
    EXPECT_EQ(bar->NameButton()->text(), "駅名を登録");
    EXPECT_EQ(bar->ImportButton()->text(), "駅名表を取り込む...");
    EXPECT_EQ(bar->NeverButton()->text(), "今後表示しない");
    ASSERT_TRUE(bandTexts(doc).contains("未登録"));

    QString codes;
    bool lineShown = false;
    whenShown<CNameCodeDlg>([&](CNameCodeDlg* dialog) {
        codes = dialog->findChild<QLabel*>("keyCodes")->text();
        lineShown = !dialog->LineEdit()->isHidden();
        dialog->NameEdit()->setText("見本中央");
        dialog->CompanyEdit()->setText("見本鉄道");
        dialog->LineEdit()->setText("見本線");
        dialog->OkButton()->click();
    });
    bar->NameButton()->click();
    EXPECT_TRUE(lineShown);
    EXPECT_TRUE(codes.contains("StationCode = 0x10 (16)")) << codes.toStdString();
    EXPECT_EQ(cell(0, DepartureStation).data().toString(), "見本中央");
    std::vector<StationCsv> rows;
    QString error;
    ASSERT_TRUE(ReadUserNames(UserStationCodeDatabasePath(), "StationCode", rows, error));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].rows.at(0), QStringList({"0", "1", "16", "見本鉄道", "見本線", "見本中央", ""}));
    EXPECT_FALSE(bar->isHidden());  // other names are still 未登録

    // The gate log band takes a name as the grid does: row 0 ended at the
    // gate log's station (line 01, station 30).
    const QModelIndex park = cell(0, ArrivalStation);
    ASSERT_EQ(doc.m_History.Text(ArrivalLineCode, 0), "01");
    ASSERT_EQ(doc.m_History.Text(ArrivalStationCode, 0), "30");
    whenShown<CNameCodeDlg>([&](CNameCodeDlg* dialog) {
        dialog->NameEdit()->setText("見本公園");
        dialog->OkButton()->click();
    });
    view()->Grid()->setCurrentIndex(park);
    emit view()->NameCodeRequested();
    EXPECT_TRUE(bandTexts(doc).contains("見本公園")) << bandTexts(doc).join('|').toStdString();

    bar->CloseButton()->click();
    EXPECT_TRUE(bar->isHidden());
    ASSERT_TRUE(frame->Execute(cmd::CardRead));
    EXPECT_FALSE(bar->isHidden());
    bar->NeverButton()->click();
    EXPECT_TRUE(bar->isHidden());
    EXPECT_EQ(settings::ReadInt("UnregisteredNamesBar", 1), 0);
    ASSERT_TRUE(frame->Execute(cmd::CardRead));
    EXPECT_TRUE(bar->isHidden());
    EXPECT_TRUE(messages.messages.isEmpty()) << messages.messages.join('|').toStdString();
}

TEST(StationImportText, ProblemsOfAnImportInJapanese) {
    const struct {
        const char* english;
        const char* japanese;
    } cases[] = {
        {"/t/a.csv:3: BusLineCode: expected a 32-bit whole number, found \"x\"",
         "/t/a.csv の 3 行目: BusLineCode は整数のはずですが「x」です"},
        {"/t/a.csv:7: LineCode: expected a number from 0 to 255, found \"300\"",
         "/t/a.csv の 7 行目: LineCode は 0 から 255 までの数のはずですが「300」です"},
        {"/t/a.csv:4: the same codes as line 2", "/t/a.csv の 4 行目: 2 行目と同じコードです"},
        {"/t/a.csv:5: 3 fields, expected 7", "/t/a.csv の 5 行目: 項目が 3 個あります（7 個のはずです）"},
        {"/t/a.csv:9: a quote is never closed", "/t/a.csv の 9 行目: 引用符 (\") が閉じていません"},
        {"/t/a.csv:2: StationName: longer than 255 characters", "/t/a.csv の 2 行目: StationName が 255 文字を超えています"},
        {"/t/x.csv:1: the columns match no station-code table; name the table with --table",
         "/t/x.csv の 1 行目: 列の名前がどの駅コード表とも合いません（ファイル名を表の名前にしてください。例: "
         "StationCode.csv）"},
        {"/t/a.csv: neither UTF-8 nor CP932 text", "/t/a.csv は UTF-8 でも CP932 (Shift_JIS) でもありません"},
        {"/t/a.csv: empty file (the first line must name the columns)", "/t/a.csv は空です（1 行目に列の名前が必要です）"},
        {"/d/u.db: the database is damaged (malformed); it was left as it was",
         "/d/u.db は壊れています（malformed）。書き込まずにそのままにしてあります"},
        {"/t/a.csv:2: LineCode: holds the control character U+0000", "/t/a.csv の 2 行目: LineCode に制御文字 U+0000 があります"},
        {"/t/a.csv:1: areacode: the column is named twice", "/t/a.csv の 1 行目: 列 areacode が 2 回あります"},
        {"/t/a.csv:1: more than 64 columns", "/t/a.csv の 1 行目: 列が 64 個を超えています"},
        {"and 299899 more problems", "ほかに 299899 件の問題があります"},
        {"and 1 more problem", "ほかに 1 件の問題があります"},
        // What the naming dialog's write may say.
        {"a name is at most 255 characters", "名前は 255 文字までです"},
        {"not a key of a station-code table", "駅コード表のコードではありません"},
        {"something new", "something new"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StationImportText(QString::fromUtf8(c.english)), QString::fromUtf8(c.japanese)) << c.english;
}

// File > 駅名表を取り込む... (its menu item enabled): a file with a bad line imports nothing and lists
// the problems in Japanese in a scrollable dialog; a sound file names the
// shown rows, the band and the stored rows at once.
TEST_F(NameGuidance, ImportFromTheFileMenu) {
    ASSERT_TRUE(frame->Action(cmd::ImportStationTables)->isEnabled());
    ASSERT_TRUE(frame->Action(cmd::ExportStationTables)->isEnabled());
    ASSERT_TRUE(frame->Execute(cmd::CardRead));
    const QString bad = write("StationCode.csv", kStations + "0,0x01,0x300,見本鉄道,見本線,見本外,\r\n");
    QString problems;
    bool scrollable = false;
    whenShown<StationImportErrorsDialog>([&](StationImportErrorsDialog* dialog) {
        problems = dialog->List()->toPlainText();
        scrollable = dialog->List()->isReadOnly();
        dialog->accept();
    });
    EXPECT_FALSE(frame->ImportStationTables({bad}));
    EXPECT_EQ(problems, "StationCode.csv の 4 行目: StationCode は 0 から 255 までの数のはずですが「0x300」です");
    EXPECT_TRUE(scrollable);
    EXPECT_EQ(cell(0, DepartureStation).data().toString(), "未登録");
    std::vector<StationCsv> rows;
    QString error;
    ASSERT_TRUE(ReadUserNames(UserStationCodeDatabasePath(), QString(), rows, error));
    EXPECT_TRUE(rows.empty());

    const QString good = write("mine.csv", kStations);
    ASSERT_TRUE(frame->ImportStationTables({good}));
    ASSERT_EQ(messages.messages.size(), 1);
    EXPECT_TRUE(messages.messages[0].startsWith("駅名を 2 件取り込みました（新規 2 件、置き換え 0 件）。"))
        << messages.messages[0].toStdString();
    EXPECT_EQ(cell(0, DepartureStation).data().toString(), "見本中央");
    EXPECT_TRUE(bandTexts(doc).contains("見本公園"));
    frame->ShowStoredCard(doc.m_strIDm, 1);
    EXPECT_EQ(cell(0, DepartureStation).data().toString(), "見本中央");

    // And out again as the station table tool writes it.
    messages.messages.clear();
    ASSERT_TRUE(ExportStationTablesFromWindow(frame.get(), home.file("export")));
    ASSERT_EQ(messages.messages.size(), 1);
    EXPECT_TRUE(messages.messages[0].contains("StationCode.csv (2 件)")) << messages.messages[0].toStdString();
    EXPECT_TRUE(QFile::exists(home.file("export/StationCode.csv")));
}

// A large table is read on a thread of its own (Tarnel's test has the
// automation calls answered meanwhile): a dialog shows how far the import
// has got, and 中止 stops it with nothing imported. Run to its end, the
// import lists the first 100 problems and counts the rest.
TEST_F(NameGuidance, ALargeImportRunsBesideTheWindowAndCanBeStopped) {
    frame->show();
    const QString big = write("StationCode.csv", "AreaCode,LineCode,StationCode,CompanyName,LineName,StationName,Note\n" +
                                                     QByteArray("0,0,0\n").repeated(300000));
    QString label;
    bool stoppable = false;
    const StationImport stopped = RunStationImport(frame.get(), {big}, 0, [&](StationImportProgressDialog* dialog) {
        label = dialog->Label()->text();
        stoppable = dialog->StopButton()->isEnabled();
        dialog->StopButton()->click();
        EXPECT_EQ(dialog->Label()->text(), "中止しています...");
    });
    EXPECT_EQ(label, "駅名表を読んでいます...");
    EXPECT_TRUE(stoppable);
    EXPECT_TRUE(stopped.cancelled);
    EXPECT_FALSE(stopped.imported);
    EXPECT_TRUE(stopped.errors.isEmpty());

    QStringList problems;
    whenShown<StationImportErrorsDialog>(
        [&](StationImportErrorsDialog* dialog) { problems = dialog->List()->toPlainText().split('\n'); });
    EXPECT_FALSE(frame->ImportStationTables({big}));
    ASSERT_EQ(problems.size(), 101);
    EXPECT_EQ(problems[0], "StationCode.csv の 3 行目: 2 行目と同じコードです");
    EXPECT_EQ(problems[100], "ほかに 299899 件の問題があります");
    std::vector<StationCsv> rows;
    QString error;
    ASSERT_TRUE(ReadUserNames(UserStationCodeDatabasePath(), QString(), rows, error));
    EXPECT_TRUE(rows.empty());
}

// The card image dialogs never start in a documents folder that is not there.
TEST_F(NameGuidance, CardImageDialogsStartInAFolderThatIs) {
    const QString documents = home.file("文書");
    QDir().mkpath(home.configHome());
    QFile dirs(home.configHome() + "/user-dirs.dirs");
    ASSERT_TRUE(dirs.open(QIODevice::WriteOnly));
    dirs.write(("XDG_DOCUMENTS_DIR=\"" + documents + "\"\n").toUtf8());
    dirs.close();
    EXPECT_EQ(CardImageFolder(), QDir::homePath());
    ASSERT_TRUE(QDir().mkpath(documents));
    EXPECT_EQ(CardImageFolder(), documents);
}

// At its default width the stored-cards dock shows every column whole.
TEST_F(NameGuidance, StoredCardsColumnsFitTheDocksDefaultWidth) {
    ASSERT_TRUE(frame->Execute(cmd::CardRead));
    frame->resize(settings::WindowWidth(), settings::WindowHeight());
    frame->show();
    ASSERT_TRUE(frame->Execute(cmd::ViewStoredCards));
    QApplication::processEvents();
    auto* table = frame->StoredCards()->findChild<QTableWidget*>("storedCards");
    ASSERT_TRUE(table);
    int needed = 0;
    for (int c = 0; c < table->columnCount(); ++c) {
        const int wanted = std::max(static_cast<QAbstractItemView*>(table)->sizeHintForColumn(c), table->horizontalHeader()->sectionSizeHint(c));
        EXPECT_GE(table->columnWidth(c), wanted) << "column " << c;
        needed += table->columnWidth(c);
    }
    EXPECT_LE(needed, table->viewport()->width());
}
