// A failed comparison of texts shows the texts (tests/support/QStringPrinter.h).
#include <QStringList>

#include <gtest/gtest.h>

TEST(QStringPrinter, TextsPrintAsTextsAlsoInsideLists) {
    EXPECT_EQ(::testing::PrintToString(QStringList{"Suica", "xcb"}), "{ \"Suica\", \"xcb\" }");
    EXPECT_NE(::testing::PrintToString(QString("未登録")).find("As Text: \"未登録\""), std::string::npos);
    EXPECT_EQ(::testing::PrintToString(QByteArray("xcb;wayland")), "\"xcb;wayland\"");
}
