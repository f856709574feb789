#include "CIpAddressCtrl.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// Types each character into whatever field has the focus then, as a user would.
void Type(const QString& keys) {
    for (QChar c : keys) QTest::keyClicks(QApplication::focusWidget(), QString(c));
}

struct IpAddress : ::testing::Test {
    CIpAddressCtrl ctrl;
    IpAddress() {
        ctrl.show();
        ctrl.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&ctrl));
    }
    QStringList Fields() const {
        QStringList texts;
        for (int i = 0; i < 4; ++i) texts << ctrl.field(i)->text();
        return texts;
    }
};

}  // namespace

TEST_F(IpAddress, TypingMovesFromFieldToField) {
    ctrl.setFocus();
    Type("192");  // a third digit moves on
    Type("168.1.20");
    EXPECT_EQ(Fields(), QStringList({"192", "168", "1", "20"}));
    EXPECT_EQ(ctrl.text(), "192.168.1.20");
    EXPECT_EQ(QApplication::focusWidget(), ctrl.field(3));

    // Backspace at the start of a field goes back into the one before.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
    EXPECT_EQ(QApplication::focusWidget(), ctrl.field(2));
    EXPECT_EQ(ctrl.text(), "192.168.1.0");
}

TEST_F(IpAddress, FieldsHoldNumbersUpTo255Only) {
    ctrl.setFocus();
    QTest::keyClicks(ctrl.field(0), "3x0");
    EXPECT_EQ(ctrl.field(0)->text(), "30");
    QTest::keyClicks(ctrl.field(0), "0");
    EXPECT_EQ(ctrl.field(0)->text(), "255");
}

TEST_F(IpAddress, BlankYieldsEmptyTextAndEmptyFieldsCountAsZero) {
    EXPECT_TRUE(ctrl.isBlank());
    EXPECT_EQ(ctrl.text(), "");
    ctrl.field(0)->setText("10");
    EXPECT_EQ(ctrl.text(), "10.0.0.0");
    ctrl.clear();
    EXPECT_EQ(ctrl.text(), "");
}

TEST_F(IpAddress, SetTextShowsAnAddressAndKeepsAnythingElse) {
    ctrl.setText("10.20.30.40");
    EXPECT_EQ(Fields(), QStringList({"10", "20", "30", "40"}));
    ctrl.setText("007.1.2.3");
    EXPECT_EQ(ctrl.text(), "7.1.2.3");
    ctrl.setText("");
    EXPECT_TRUE(ctrl.isBlank());

    // A host name or a malformed address cannot be shown, but is not lost.
    for (const QString& text : {QString("server.example"), QString("1.2.3.4.5"), QString("256.1.1.1"),
                                QString("1..2.3"), QString("-1.2.3.4")}) {
        ctrl.setText(text);
        EXPECT_TRUE(ctrl.isBlank()) << text.toStdString();
        EXPECT_EQ(ctrl.text(), text);
    }
    // Until the user types into a field.
    ctrl.setText("server.example");
    QTest::keyClicks(ctrl.field(0), "8");
    EXPECT_EQ(ctrl.text(), "8.0.0.0");
    ctrl.setText("server.example");
    ctrl.clear();
    EXPECT_EQ(ctrl.text(), "");
}
