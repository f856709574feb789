#include "KuvoraFonts.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QStringList>

#include <gtest/gtest.h>

// Without the fonts the lists start with, Debian's IPA fonts are what gets
// used (fonts-ipafont-gothic): the same metrics as the fonts named first.
TEST(Fonts, FallBackToTheIpaFontsOnDebian) {
    const QStringList families = QFontDatabase::families();
    if (!families.contains("IPAGothic") || !families.contains("IPAPGothic"))
        GTEST_SKIP() << "fonts-ipafont-gothic is not installed";
    if (!families.contains("ＭＳ ゴシック") && !families.contains("MS Gothic")) {
        const QFontInfo main(KuvoraFont(10.5));
        EXPECT_EQ(main.family(), "IPAGothic");
        EXPECT_NEAR(main.pointSizeF(), 10.5, 0.5);
    }
    if (!families.contains("ＭＳ Ｐゴシック") && !families.contains("MS PGothic")) {
        const QFontInfo footer(KuvoraFooterFont());
        EXPECT_EQ(footer.family(), "IPAPGothic");
        EXPECT_NEAR(footer.pointSizeF(), 8, 0.5);  // whole pixels
    }
}
