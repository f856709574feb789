#include "AboutBox.h"

#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

TEST(AboutBox, ShowsNameVersionAndOneOkButton) {
    CAboutDlg dlg;
    QStringList texts;
    for (QLabel* label : dlg.findChildren<QLabel*>())
        if (!label->text().isEmpty()) texts << label->text();
    EXPECT_EQ(texts, QStringList({"Kuvora", "Version 1.9.0"}));
    EXPECT_FALSE(dlg.findChild<QLabel*>("aboutIcon")->pixmap().isNull());
    const QList<QPushButton*> buttons = dlg.findChildren<QPushButton*>();
    ASSERT_EQ(buttons.size(), 1);
    EXPECT_EQ(buttons[0]->text(), "OK");
    dlg.show();
    buttons[0]->click();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_FALSE(dlg.isVisible());
}
