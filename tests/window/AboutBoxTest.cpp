#include "AboutBox.h"

#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

TEST(AboutBox, ShowsNameVersionAndOneOkButton) {
    CAboutDlg dlg;
    QStringList texts;
    for (QLabel* label : dlg.findChildren<QLabel*>())
        if (!label->text().isEmpty()) texts << label->text();
    ASSERT_EQ(texts.size(), 3);
    EXPECT_EQ(texts.mid(0, 2), QStringList({"Kuvora", "Version 1.9.0"}));
    // The licence, the documentation and the versions underneath.
    for (const char* part : {"MIT", "説明書", "Qt 6.", "SQLite 3.", "libnfc 1."})
        EXPECT_TRUE(texts[2].contains(part)) << part << " in " << texts[2].toStdString();
    EXPECT_FALSE(dlg.findChild<QLabel*>("aboutIcon")->pixmap().isNull());
    const QList<QPushButton*> buttons = dlg.findChildren<QPushButton*>();
    ASSERT_EQ(buttons.size(), 1);
    EXPECT_EQ(buttons[0]->text(), "OK");
    dlg.show();
    buttons[0]->click();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_FALSE(dlg.isVisible());
}
