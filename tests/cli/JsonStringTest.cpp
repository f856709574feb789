// Every JSON output writes its strings through JsonString's encoder.
#include "CliOutput.h"

#include <gtest/gtest.h>

TEST(JsonString, EscapesWhatJsonNeedsAndWritesTheRestAsUtf8) {
    const struct {
        QString text;
        QByteArray json;
    } cases[] = {
        {"", R"("")"},
        {"0001 中町", R"("0001 中町")"},
        {"a\"b\\c/", R"("a\"b\\c/")"},
        {"\n\r\t", R"("\n\r\t")"},
        {QString(QChar(0x01)) + QChar(0x1F) + QChar(0x7F), "\"\\u0001\\u001f\x7F\""},
        {QString::fromUtf16(u"é駅𠮷"), "\"\xC3\xA9\xE9\xA7\x85\xF0\xA0\xAE\xB7\""},
        // A lone surrogate, high or low, comes out as QString::toUtf8 makes it.
        {QString(QChar(0xD842)) + "x", "\"" + QString(QChar(0xD842)).toUtf8() + "x\""},
        {QString(QChar(0xDFB7)), "\"" + QString(QChar(0xDFB7)).toUtf8() + "\""},
    };
    for (const auto& c : cases) EXPECT_EQ(JsonString(c.text).toUtf8(), c.json) << c.json.toStdString();
}
