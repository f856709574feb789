// A failed comparison of texts shows the texts (tests/support/QStringPrinter.h).
#include <QStringList>

#include <gtest/gtest.h>

TEST(QStringPrinter, TextsPrintAsTextsAlsoInsideLists) {
    EXPECT_EQ(::testing::PrintToString(QString("Suica")), "\"Suica\"");
    const std::string japanese = ::testing::PrintToString(QString("未登録"));
    EXPECT_NE(japanese.find("As Text: \"未登録\""), std::string::npos) << japanese;
    EXPECT_EQ(::testing::PrintToString(QStringList{"a", "b"}), "{ \"a\", \"b\" }");
    EXPECT_EQ(::testing::PrintToString(QByteArray("xcb;wayland")), "\"xcb;wayland\"");
}
