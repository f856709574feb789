#include "CKuvoraDoc.h"
#include "CKuvoraView.h"
#include "CMainFrame.h"
#include "CHistoryModel.h"
#include "CommandIds.h"
#include "PlainHistoryModel.h"
#include "PlainHistoryView.h"
#include "StoredCardsDock.h"
#include "TestSupport.h"
#include "ViewLayout.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDateEdit>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>

#include <gtest/gtest.h>

using namespace history;

namespace {

felica::CardImage cardImage(const char* name) {
    std::string error;
    auto image = felica::CardImage::load(test::sourcePath(QString("data/cards/") + name).toStdString(), error);
    EXPECT_TRUE(image) << error;
    return image ? *image : felica::CardImage{};
}

// Every text of the shown rows, and the band's texts above the gate log.
QStringList shownTexts(const CKuvoraDoc& doc) {
    QStringList texts;
    for (const view::PlacedText& t : view::HeaderBandTexts(doc))
        if (t.y < view::kGateLogY) texts << t.text;
    texts << QString::number(doc.m_nRows);
    for (int row = 0; row < doc.m_nRows; ++row)
        for (int column = 0; column < ColumnCount; ++column)
            if (column != TradeFlags) texts << doc.m_History.Text(column, row);
    return texts;
}

int rowOf(const StoredCardsDock& dock, const QString& idm) {
    for (std::size_t i = 0; i < dock.Cards().size(); ++i)
        if (dock.Cards()[i].idm == idm) return static_cast<int>(i);
    return -1;
}

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

struct StoredCardsDockTest : ::testing::Test {
    test::IsolatedHome home;
    RecordingMessageSink messages;
    ScopedMessageSink sink{&messages};
};

const QString kSuica = "01010410C8192A3B";
const QString kEdy = "01031A2B331E4C5D";

}  // namespace

// Two cards read; the dock lists them; choosing one shows its stored
// history as the Read's reload did, with no reader traffic, the band saying
// so, and an export of it; a nickname is listed; the next Read returns to
// the card on the reader; 削除 forgets a card.
TEST_F(StoredCardsDockTest, StoredCardsShowWithoutTheReaderUntilTheNextRead) {
    test::LibrarySession session("image:" + test::sourcePath("data/cards/edy-sample.json"));
    CKuvoraDoc doc;
    doc.OnNewDocument();
    CMainFrame frame(&doc);
    frame.show();
    StoredCardsDock* dock = frame.StoredCards();
    EXPECT_TRUE(dock->isHidden());
    ASSERT_TRUE(frame.Execute(cmd::CardRead));
    ASSERT_TRUE(frame.Execute(cmd::ViewStoredCards));
    EXPECT_FALSE(dock->isHidden());
    EXPECT_TRUE(frame.Action(cmd::ViewStoredCards)->isChecked());
    ASSERT_EQ(dock->Cards().size(), 1u);

    auto transport = std::make_shared<test::ScriptedTransport>(cardImage("suica-sample.json"));
    test::TransportOverride override(transport);
    ASSERT_TRUE(frame.Execute(cmd::CardRead));
    ASSERT_EQ(doc.m_strIDm, kSuica);
    const QStringList afterRead = shownTexts(doc);
    const QString exported = home.file("read.tsv");
    doc.m_strSaveExt = "tsv";
    ASSERT_TRUE(doc.WriteExport(exported));
    // The dock follows the Read: the new card is listed first.
    ASSERT_EQ(dock->Cards().size(), 2u);
    EXPECT_EQ(dock->Table()->item(0, StoredCardsDock::IdmColumn)->text(), kSuica);
    EXPECT_EQ(dock->Table()->item(0, StoredCardsDock::TypeColumn)->text(), "Suica/ICOCA/TOICA/PiTaPa/PASMO");
    EXPECT_EQ(dock->Table()->item(0, StoredCardsDock::RowsColumn)->text(), "20");
    EXPECT_EQ(dock->Table()->item(0, StoredCardsDock::OldestColumn)->text(), "26年11月16日");
    EXPECT_EQ(dock->Table()->item(0, StoredCardsDock::NewestColumn)->text(), "26年11月28日");
    EXPECT_TRUE(view::StoredHistoryNote(doc).empty());

    const std::size_t sent = transport->sent.size();
    const std::size_t opens = override.opens();
    dock->Choose(rowOf(*dock, kEdy));
    EXPECT_EQ(doc.m_strIDm, kEdy);
    EXPECT_EQ(doc.m_strCardTypeName, "Edy");
    EXPECT_EQ(frame.View()->Model()->rowCount(), 2 * 6);
    for (const QString& gateLog : doc.m_GateLog[0]) EXPECT_EQ(gateLog, "");  // not the Suica's
    dock->Choose(rowOf(*dock, kSuica));
    EXPECT_EQ(shownTexts(doc), afterRead);
    EXPECT_EQ(frame.View()->Model()->index(0, 0).data().toString(), doc.m_History.Text(BlockData, 0));
    const auto note = view::StoredHistoryNote(doc);
    ASSERT_EQ(note.size(), 1u);
    EXPECT_EQ(note[0].text, "保存済みの履歴（カードから読み取っていません）");
    EXPECT_EQ(transport->sent.size(), sent);
    EXPECT_EQ(override.opens(), opens);
    const QString stored = home.file("stored.tsv");
    ASSERT_TRUE(doc.WriteExport(stored));
    EXPECT_EQ(fileBytes(stored), fileBytes(exported));
    EXPECT_GT(fileBytes(stored).size(), 1000);

    ASSERT_TRUE(dock->SetNickname(rowOf(*dock, kEdy), "買い物用"));
    EXPECT_EQ(dock->Table()->item(rowOf(*dock, kEdy), StoredCardsDock::NicknameColumn)->text(), "買い物用");
    EXPECT_TRUE(messages.messages.isEmpty()) << messages.messages.join('|').toStdString();
    // Another process sees the name.
    const auto listed = test::runInHome(home, test::binaryPath("bin/kuvora-cli"), {"history", "--format", "table"});
    EXPECT_EQ(listed.exitCode, 0) << listed.err.toStdString();
    EXPECT_TRUE(listed.out.contains(QRegularExpression("\\n01031A2B331E4C5D +128 +- +6 +2026年11月28日 +買い物用\\n")))
        << listed.out.toStdString();

    ASSERT_TRUE(frame.Execute(cmd::CardRead));
    EXPECT_GT(transport->sent.size(), sent);
    EXPECT_EQ(doc.m_strIDm, kSuica);
    EXPECT_TRUE(view::StoredHistoryNote(doc).empty());
    EXPECT_FALSE(doc.m_GateLog[0][1].isEmpty());
    EXPECT_EQ(shownTexts(doc), afterRead);

    // 削除 asks first, naming the card and saying it cannot be undone; a no
    // keeps it, a yes takes it out of History.db and out of the window that
    // showed it, and leaves the other card.
    for (QMessageBox::StandardButton answer : {QMessageBox::No, QMessageBox::Yes}) {
        QTimer::singleShot(0, [answer] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            EXPECT_TRUE(box->text().contains(kSuica) && box->text().contains("元に戻せません")) << box->text().toStdString();
            box->button(answer)->click();
        });
        dock->AskForget(rowOf(*dock, kSuica));
        EXPECT_EQ(rowOf(*dock, kSuica) >= 0, answer == QMessageBox::No);
        EXPECT_EQ(doc.m_strIDm, answer == QMessageBox::No ? kSuica : QString());
    }
    EXPECT_EQ(dock->Cards().size(), 1u);
}

// The plain list of the sample Suica card: whole lines with four-digit
// years and amounts from the balances, sorted as numbers and dates,
// filtered by text and dates, and copied as text with a header line.
TEST_F(StoredCardsDockTest, PlainListSortsFiltersAndCopies) {
    test::LibrarySession session("image:" + test::sourcePath("data/cards/suica-sample.json"));
    CKuvoraDoc doc;
    doc.OnNewDocument();
    CMainFrame frame(&doc);
    frame.show();
    frame.View()->SetPlainView(true);
    EXPECT_EQ(frame.View()->PlainView()->Table()->model()->rowCount(), 0);  // a new document's rows are empty
    frame.View()->SetPlainView(false);
    ASSERT_TRUE(frame.Execute(cmd::CardRead));
    ASSERT_TRUE(frame.Execute(cmd::ViewPlainList));
    EXPECT_TRUE(frame.Action(cmd::ViewPlainList)->isChecked());
    PlainHistoryView* plain = frame.View()->PlainView();
    EXPECT_TRUE(plain->isVisible());
    EXPECT_FALSE(frame.View()->Grid()->isVisible());
    const QAbstractItemModel* m = plain->Table()->model();
    ASSERT_EQ(m->rowCount(), 20);
    auto line = [m](int row) {
        QStringList cells;
        for (int c = 0; c < m->columnCount(); ++c) cells << m->index(row, c).data().toString();
        return cells;
    };
    using P = PlainHistoryModel;
    // Newest first, as the card gives them.
    EXPECT_EQ(line(0)[P::DateColumn], "2026/11/28");
    EXPECT_EQ(line(0)[P::PaidColumn], "210");
    EXPECT_EQ(line(0)[P::BalanceColumn], "3,470");
    EXPECT_EQ(line(1)[P::ChargedColumn], "3,000");
    EXPECT_EQ(line(1)[P::NotesColumn], "ｵｰﾄﾁｬｰｼﾞ");
    EXPECT_EQ(line(2)[P::TimeColumn], "17:18");
    EXPECT_EQ(line(2)[P::PaidColumn], "480");
    EXPECT_EQ(line(19)[P::PaidColumn] + line(19)[P::ChargedColumn], "");  // nothing older to compare with

    plain->Table()->sortByColumn(P::BalanceColumn, Qt::AscendingOrder);
    EXPECT_EQ(line(0)[P::BalanceColumn], "0");
    EXPECT_EQ(line(19)[P::BalanceColumn], "3,680");  // 950 < 3,680 as numbers
    plain->Table()->sortByColumn(P::DateColumn, Qt::DescendingOrder);
    EXPECT_EQ(line(0)[P::DateColumn] + " " + line(0)[P::TimeColumn], "2026/11/28 ");
    EXPECT_EQ(line(19)[P::DateColumn], "2026/11/16");
    plain->Table()->sortByColumn(P::PaidColumn, Qt::DescendingOrder);
    EXPECT_EQ(line(0)[P::PaidColumn], "480");

    plain->TextFilter()->setText("物販");
    EXPECT_EQ(m->rowCount(), 2);
    plain->TextFilter()->setText("");
    plain->FromDate()->setDate(QDate(2026, 11, 17));
    plain->ToDate()->setDate(QDate(2026, 11, 19));
    EXPECT_EQ(m->rowCount(), 20);  // the range is not in use yet
    plain->RangeChoice()->setChecked(true);
    EXPECT_EQ(m->rowCount(), 6);
    plain->TextFilter()->setText("入金");
    ASSERT_EQ(m->rowCount(), 1);

    plain->Table()->selectAll();
    ASSERT_TRUE(frame.Execute(cmd::EditCopy));
    const QStringList copied = QApplication::clipboard()->text().split('\n');
    ASSERT_EQ(copied.size(), 3) << copied.join('|').toStdString();
    EXPECT_EQ(copied[0], "日付\t時刻\t処理\t利用区間・店舗\t支払\tチャージ\t残高\t備考");
    EXPECT_TRUE(copied[1].startsWith("2026/11/19\t\t入金\t")) << copied[1].toStdString();
    EXPECT_TRUE(copied[1].endsWith("\t\t380\t380\t")) << copied[1].toStdString();
    EXPECT_EQ(copied[2], "");

    // A new Read keeps the filter; the grid comes back when asked.
    ASSERT_TRUE(frame.Execute(cmd::CardRead));
    EXPECT_EQ(m->rowCount(), 1);
    ASSERT_TRUE(frame.Execute(cmd::ViewPlainList));
    EXPECT_TRUE(frame.View()->Grid()->isVisible());
}
