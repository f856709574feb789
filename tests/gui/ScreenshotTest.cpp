// Starts the real window program under Xvfb on a sample card, lets it read
// the card and looks at a screenshot of the screen.
#include "TestSupport.h"

#include <QImage>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace {

bool hasPixel(const QImage& image, QColor colour, QRect area) {
    area = area.intersected(image.rect());
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixelColor(x, y) == colour) return true;
    return false;
}

}  // namespace

TEST(Screenshot, WindowShowsTheBandAndTheRowsAfterARead) {
    if (QStandardPaths::findExecutable("xvfb-run").isEmpty() || QStandardPaths::findExecutable("import").isEmpty())
        GTEST_SKIP() << "xvfb-run and import (ImageMagick) are needed";
    test::IsolatedHome home;
    const QString shot = home.file("shot.png");
    const QString script = QString(
        "%1 --reader image:%2 --read & pid=$!; sleep 5; import -window root %3; kill $pid; wait $pid")
        .arg(test::binaryPath("bin/kuvora"), test::sourcePath("data/cards/suica-sample.json"), shot);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", home.configHome());
    env.insert("XDG_DATA_HOME", home.dataHome());
    env.insert("XDG_RUNTIME_DIR", home.path());
    env.remove("QT_QPA_PLATFORM");
    env.remove("WAYLAND_DISPLAY");  // on Xvfb, not on the desktop the tests run in
    env.remove("DBUS_SESSION_BUS_ADDRESS");  // the user's session bus stays out of tests
    auto r = test::runProgram("xvfb-run", {"-a", "-s", "-screen 0 1280x800x24", "bash", "-c", script}, env, 60000);
    ASSERT_TRUE(QFile::exists(shot)) << r.err.toStdString();
    QImage image(shot);
    ASSERT_FALSE(image.isNull());
    // The header band's colour near the top, and both record colours below it.
    EXPECT_TRUE(hasPixel(image, QColor(143, 191, 255), QRect(0, 0, 900, 200)));
    EXPECT_TRUE(hasPixel(image, QColor(239, 239, 255), QRect(0, 150, 900, 400)));
    // The charges are drawn in blue (anti-aliased, so near RGB(80,80,255)).
    bool blueText = false;
    for (int y = 150; y < 550 && !blueText; ++y)
        for (int x = 0; x < 900 && !blueText; ++x) {
            const QColor c = image.pixelColor(x, y);
            blueText = c.blue() > 200 && c.red() < 150 && c.green() < 150;
        }
    EXPECT_TRUE(blueText);
}
