// The Green ticket dialog: its captions and controls, the texts of one read
// at initialisation, and the only button that closes it.
#include "CSuicaGreenDlg.h"
#include "TestSupport.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

QString text(const CSuicaGreenDlg& dlg, int id) {
    QWidget* w = dlg.Control(id);
    if (auto* edit = qobject_cast<QLineEdit*>(w)) return edit->text();
    if (auto* label = qobject_cast<QLabel*>(w)) return label->text();
    return "<no control>";
}

struct GreenDlg : ::testing::Test {
    test::IsolatedHome home;
    test::StationDatabase db{home,
                             {{"StationCode", "AreaCode,LineCode,StationCode,CompanyName,LineName,StationName,Note\n"
                                              "0,0x01,0x02,見本鉄道,見本本線,見本港,\n"
                                              "0,0x01,0x10,見本鉄道,見本本線,見本中央,\n"}}};
    RecordingMessageSink messages;
    ScopedMessageSink sink{&messages};
};

TEST_F(GreenDlg, ShowsTheTicketOfTheCardOnTheReader) {
    test::LibrarySession session("image:" + test::sourcePath("data/cards/suica-green-sample.json"));
    CSuicaGreenDlg dlg;
    EXPECT_EQ(dlg.windowTitle(), "Suica グリーン券情報");
    EXPECT_EQ(dlg.objectName(), "dialog137");
    QStringList captions;
    for (QLabel* label : dlg.findChildren<QLabel*>())
        if (!label->property("controlId").isValid()) captions << label->text();
    EXPECT_EQ(captions, QStringList({"Suicaグリーン券 Viewer", "購入日時：", "購入区間：", "⇒", "料        金：",
                                     "列車コード："}));
    EXPECT_EQ(text(dlg, 1000), "読み取りました。");
    EXPECT_EQ(text(dlg, 1001), "2026年12月05日07時48分");
    EXPECT_EQ(text(dlg, 1002), "見本港");
    EXPECT_EQ(text(dlg, 1003), "未登録");  // not in this database
    EXPECT_EQ(text(dlg, 1008), "1000円");
    EXPECT_EQ(text(dlg, 1006), "着　席：");
    EXPECT_EQ(text(dlg, 1007), "2071");
    EXPECT_EQ(text(dlg, 1004), "08時02分");
    EXPECT_EQ(text(dlg, 1005), "見本中央");
    EXPECT_TRUE(messages.messages.isEmpty());

    const QList<QPushButton*> buttons = dlg.findChildren<QPushButton*>();
    ASSERT_EQ(buttons.size(), 1);
    EXPECT_EQ(buttons[0], dlg.Control(1));
    EXPECT_EQ(buttons[0]->text(), "閉じる");
    dlg.show();
    buttons[0]->click();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_FALSE(dlg.isVisible());
}

TEST_F(GreenDlg, WithoutAReaderOnlyTheMessageLineChanges) {
    test::LibrarySession session("image:" + home.file("none.json"));
    CSuicaGreenDlg dlg;
    EXPECT_EQ(text(dlg, 1000), "FeliCa リーダ・ライタが認識できません(READ)。");
    for (int id : {1001, 1002, 1003, 1004, 1005, 1007, 1008}) EXPECT_EQ(text(dlg, id), "") << id;
    EXPECT_EQ(text(dlg, 1006), "着　席：");
    EXPECT_TRUE(messages.messages.isEmpty());
}

}  // namespace
