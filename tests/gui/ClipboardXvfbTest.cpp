// The window program's Copy on a real X clipboard: Ctrl+A and Ctrl+C in the
// window under Xvfb, then xclip asks the clipboard what it offers.
#include "TestSupport.h"

#include <QFile>
#include <QImage>
#include <QStandardPaths>

#include <gtest/gtest.h>

TEST(XClipboard, CopyOffersTextPngAndSvg) {
    for (const char* tool : {"xvfb-run", "xdotool", "xclip"})
        if (QStandardPaths::findExecutable(tool).isEmpty()) GTEST_SKIP() << tool << " is needed";
    test::IsolatedHome home;
    test::importSampleNames();
    const QString script = QString(
        "%1 --reader image:%2 --read & pid=$!\n"
        "for i in $(seq 1 100); do w=$(xdotool search --name '^Kuvora$' | head -1); [ -n \"$w\" ] && break; sleep 0.2; done\n"
        "sleep 2; xdotool windowfocus --sync $w; sleep 0.5\n"
        "xdotool key ctrl+a; xdotool key ctrl+c; sleep 1\n"
        "xclip -selection clipboard -t TARGETS -o > %3/targets\n"
        "xclip -selection clipboard -t text/plain -o > %3/text\n"
        "xclip -selection clipboard -t image/png -o > %3/picture.png\n"
        "xclip -selection clipboard -t image/svg+xml -o > %3/picture.svg\n"
        "kill $pid; wait $pid\n")
        .arg(test::binaryPath("bin/kuvora"), test::sourcePath("data/cards/suica-sample.json"), home.path());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", home.configHome());
    env.insert("XDG_DATA_HOME", home.dataHome());
    env.insert("XDG_RUNTIME_DIR", home.path());
    env.remove("QT_QPA_PLATFORM");
    env.remove("WAYLAND_DISPLAY");  // on Xvfb, not on the desktop the tests run in
    env.remove("DBUS_SESSION_BUS_ADDRESS");
    const auto r = test::runProgram("xvfb-run", {"-a", "-s", "-screen 0 1280x800x24", "bash", "-c", script}, env, 60000);
    auto read = [&home](const char* name) {
        QFile f(home.file(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    const QList<QByteArray> targets = read("targets").split('\n');
    for (const char* type : {"text/plain", "image/png", "image/svg+xml"})
        EXPECT_TRUE(targets.contains(type)) << type << "\n" << r.err.toStdString();
    // Select All took every cell: the first line is the newest record's upper row.
    EXPECT_TRUE(read("text").startsWith("16010000357C011001308E0D0002B400\t16\t01\t"));
    EXPECT_EQ(QImage::fromData(read("picture.png"), "PNG").size(), QSize(770, 905));
    EXPECT_TRUE(read("picture.svg").contains("16010000357C011001308E0D0002B400"));
}
