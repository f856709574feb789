// Kana readings through MeCab.
#include "CKanaReading.h"

#include <gtest/gtest.h>

namespace {

int count(const QString& text, QChar c) { return static_cast<int>(text.count(c)); }

}  // namespace

TEST(KanaReading, NamesDatesAndAmountsBecomeKanaKeepingDigitsCommasAndBlanks) {
    CKanaReading reading;
    ASSERT_TRUE(reading.HasDictionary()) << "no MeCab dictionary (mecab-naist-jdic)";
    EXPECT_EQ(reading.Reading("品川"), "シナガワ");
    EXPECT_EQ(reading.Reading("東京駅"), "トウキョウエキ");
    EXPECT_EQ(reading.Reading("未登録"), "ミトウロク");
    EXPECT_EQ(reading.Reading(" 3470円"), " 3470エン");
    EXPECT_EQ(reading.Reading("  120円"), "  120エン");
    const QString row = "26年11月28日,,,見本鉄道,見本中央,,ＪＲ東日本,東京,,  5000円";
    const QString read = reading.Reading(row);
    EXPECT_FALSE(CKanaReading::HasKanji(read)) << read.toStdString();
    EXPECT_TRUE(read.startsWith("26ネン")) << read.toStdString();
    EXPECT_TRUE(read.endsWith(",,  5000エン")) << read.toStdString();
    EXPECT_EQ(count(read, ','), count(row, ','));
    for (const char* name : {"高輪ゲートウェイ", "都営浅草線", "長崎電気軌道", "見本南部三条", "見本港湾駅北",
                             "東急田園都市線", "見本ストア 中央店"})
        EXPECT_FALSE(CKanaReading::HasKanji(reading.Reading(name))) << name;
    // Full-width digits, which the voice does not read, become ASCII ones.
    EXPECT_EQ(reading.Reading("１２３"), "123");
}

TEST(KanaReading, UnknownWordsFallBackToTheirCharactersWithoutKanji) {
    CKanaReading reading;
    ASSERT_TRUE(reading.HasDictionary());
    // Half-width kana are unknown to the dictionary and read as they are.
    EXPECT_EQ(reading.Reading("ﾊﾞｽ"), "ﾊﾞｽ");
    // A character outside the dictionary is left out rather than passed on.
    const QString rare = QString::fromUcs4(U"𠮷");
    EXPECT_FALSE(CKanaReading::HasKanji(reading.Reading(rare + "野屋")));
    EXPECT_EQ(reading.Reading(""), "");
}
