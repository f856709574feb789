// kuvora-cli read --format pdf|svg|png: the printed page and the picture as
// files, drawn without a display.
#include "TestSupport.h"

#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace {

QString cli() { return test::binaryPath("bin/kuvora-cli"); }
const QString kSuica = "image:" + test::sourcePath("data/cards/suica-sample.json");

struct PrintCli : ::testing::Test {
    test::IsolatedHome home;
    PrintCli() { test::importSampleNames(); }
    test::ProcessResult read(const QStringList& more) {
        return test::runInHome(home, cli(), QStringList{"read", "--reader", kSuica, "--mode", "1"} + more);
    }
};

}  // namespace

TEST_F(PrintCli, PdfIsOnePageWithTheCardsTextsAndColours) {
    if (QStandardPaths::findExecutable("pdftotext").isEmpty() || QStandardPaths::findExecutable("pdftoppm").isEmpty())
        GTEST_SKIP() << "poppler-utils are needed";
    const auto json = read({});
    ASSERT_EQ(json.exitCode, 0) << json.err.toStdString();
    const QJsonArray rows = QJsonDocument::fromJson(json.outBytes).object()["history"].toArray();
    ASSERT_EQ(rows.size(), 20);

    const QString pdf = home.file("page.pdf");
    const auto r = read({"--format", "pdf", "--output", pdf});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_TRUE(test::runProgram("pdfinfo", {pdf}).out.contains(QRegularExpression("Pages:\\s+1\\n")));
    const QString text = test::runProgram("pdftotext", {"-layout", pdf, "-"}).out;
    EXPECT_TRUE(text.contains("01010410C8192A3B"));
    for (const auto& row : rows) EXPECT_TRUE(text.contains(row.toObject()["BlockData"].toString()));
    EXPECT_TRUE(text.contains(QRegularExpression("\\nKuvora\\s+\\d{4}年\\d\\d月\\d\\d日 \\d\\d時\\d\\d分")));
    // One pixel a tenth of a millimetre: the band at the top, the title strip
    // and the record strips below it.
    test::runProgram("pdftoppm", {"-r", "254", "-png", "-singlefile", pdf, home.file("page")});
    const QImage page(home.file("page.png"));
    ASSERT_EQ(page.width(), 2100);
    EXPECT_EQ(page.pixelColor(2080, 5), QColor(143, 191, 255));
    EXPECT_EQ(page.pixelColor(2080, 410), QColor(224, 224, 255));
    EXPECT_EQ(page.pixelColor(2080, 470), QColor(239, 239, 255));
    EXPECT_EQ(page.pixelColor(2080, 560), QColor(255, 255, 255));
    EXPECT_EQ(page.pixelColor(2080, 430 + 86 * 19 + 40), QColor(255, 255, 255));
    EXPECT_EQ(page.pixelColor(2080, 430 + 86 * 20 + 40), QColor(224, 224, 255));  // the closing strip

    // Another paper.
    ASSERT_EQ(read({"--format", "pdf", "--page-size", "letter", "--output", pdf}).exitCode, 0);
    EXPECT_TRUE(test::runProgram("pdfinfo", {pdf}).out.contains("612 x 792 pts"));
}

TEST_F(PrintCli, PictureFilesAndBadOptions) {
    const auto png = read({"--format", "png", "--output", home.file("p.png")});
    ASSERT_EQ(png.exitCode, 0) << png.err.toStdString();
    const QImage image(home.file("p.png"));
    EXPECT_EQ(image.size(), QSize(770, 905));
    EXPECT_EQ(image.pixelColor(700, 5), QColor(143, 191, 255));
    const auto svg = read({"--format=svg"});  // to standard output
    ASSERT_EQ(svg.exitCode, 0) << svg.err.toStdString();
    EXPECT_TRUE(svg.out.contains("<svg") && svg.out.contains("01010410C8192A3B"));

    EXPECT_EQ(read({"--format", "pdf", "--page-size", "A99"}).exitCode, 2);
    EXPECT_EQ(read({"--format", "png", "--page-size", "A4"}).exitCode, 2);
    EXPECT_EQ(test::runInHome(home, cli(), {"idm", "--page-size", "A4"}).exitCode, 2);
    const auto folder = read({"--format", "png", "--output", home.path()});
    EXPECT_EQ(folder.exitCode, 1);
    EXPECT_TRUE(folder.err.contains(home.path()));
}

TEST_F(PrintCli, TextFormatsNeedNoDisplay) {
    // A platform that would need a display: only the drawn formats start Qt GUI.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", home.configHome());
    env.insert("XDG_DATA_HOME", home.dataHome());
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    const auto json = test::runProgram(cli(), {"read", "--reader", kSuica, "--format", "table"}, env);
    EXPECT_EQ(json.exitCode, 0) << json.err.toStdString();
    const auto png = test::runProgram(cli(), {"read", "--reader", kSuica, "--format", "png", "--output",
                                              home.file("p.png")}, env);
    EXPECT_EQ(png.exitCode, 0) << png.err.toStdString();
}
