// What kuvora-cli loads: Qt Core and the reader and database libraries, never
// what draws, speaks or uses the network. Those live in kuvora-cli-full,
// which kuvora-cli runs for the drawn formats and for speak.
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcessEnvironment>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

QString cli() { return test::binaryPath("bin/kuvora-cli"); }
QString full() { return test::binaryPath("bin/kuvora-cli-full"); }
const QString kSuica = "image:" + test::sourcePath("data/cards/suica-sample.json");

// The libraries a JSON read must do without, as sonames start.
const char* const kForeign[] = {"libQt6Gui", "libQt6Svg", "libQt6Network", "libQt6TextToSpeech", "libQt6Widgets",
                                "libQt6DBus", "libmecab", "libX11", "libxcb", "libEGL", "libGL", "libfontconfig",
                                "libfreetype", "libkrb5", "libgssapi"};

QStringList foreignIn(const QString& listing) {
    QStringList found;
    for (const char* name : kForeign)
        if (listing.contains(QRegularExpression("(^|/|\\s)" + QRegularExpression::escape(name) + "[.-]",
                                                QRegularExpression::MultilineOption)))
            found << name;
    return found;
}

// The shared objects the dynamic linker loads for one run, from LD_DEBUG.
QString loadedBy(const QString& program, const QStringList& args, const test::IsolatedHome& home) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", home.configHome());
    env.insert("XDG_DATA_HOME", home.dataHome());
    env.insert("LD_DEBUG", "files");
    const auto r = test::runProgram(program, args, env);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    QStringList loaded;
    static const QRegularExpression opened("file=(\\S+) \\[0\\];  (?:generating link map|needed by|dynamically loaded by)");
    for (const QString& line : r.err.split('\n')) {
        const auto m = opened.match(line);
        if (m.hasMatch()) loaded << m.captured(1);
    }
    loaded.removeDuplicates();
    return loaded.join('\n');
}

}  // namespace

// Each way of looking at kuvora-cli's libraries, and what it must show.
TEST(LinkedSet, KuvoraCliLoadsNothingThatDrawsSpeaksOrUsesTheNetwork) {
    test::IsolatedHome home;
    const auto ldd = test::runProgram("ldd", {cli()});
    ASSERT_EQ(ldd.exitCode, 0) << ldd.err.toStdString();
    struct Case {
        const char* what;
        QString listing;
    } cases[] = {
        {"ldd kuvora-cli", ldd.out},
        {"read --format json", loadedBy(cli(), {"read", "--reader", kSuica}, home)},
        {"read --format xls", loadedBy(cli(), {"read", "--reader", kSuica, "--format", "xls", "--output",
                                               home.file("h.xls")}, home)},
        {"history", loadedBy(cli(), {"history"}, home)},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(c.listing.contains("libQt6Core")) << c.what << ":\n" << c.listing.toStdString();
        EXPECT_EQ(foreignIn(c.listing), QStringList()) << c.what << ":\n" << c.listing.toStdString();
    }
    // The check sees them where they are.
    const auto fullLdd = test::runProgram("ldd", {full()});
    EXPECT_TRUE(foreignIn(fullLdd.out).contains("libQt6Gui")) << fullLdd.out.toStdString();
}

TEST(LinkedSet, DrawnFormatsAndSpeechWithoutTheFullProgramSayWhatIsMissing) {
    test::IsolatedHome home;
    // kuvora-cli alone in a folder: the read on Qt Core works, the rest says
    // which program it needs and where it looked.
    const QString alone = home.file("alone/kuvora-cli");
    ASSERT_TRUE(QDir().mkpath(home.file("alone")));
    ASSERT_TRUE(QFile::copy(cli(), alone));
    ASSERT_TRUE(QFile::copy(test::binaryPath("bin/StationCode.db"), home.file("alone/StationCode.db")));
    EXPECT_EQ(test::runInHome(home, alone, {"read", "--reader", kSuica}).exitCode, 0);
    const QStringList needsFull[] = {{"read", "--reader", kSuica, "--format", "svg"},
                                     {"read", "--reader", kSuica, "--format=pdf"},
                                     {"speak", "--reader", kSuica, "--dry-run"}};
    for (const QStringList& args : needsFull) {
        const auto r = test::runInHome(home, alone, args);
        EXPECT_EQ(r.exitCode, 1) << args.join(' ').toStdString();
        EXPECT_EQ(r.out, "");
        EXPECT_TRUE(r.err.contains("needs kuvora-cli-full") && r.err.contains(home.file("alone/kuvora-cli-full")))
            << r.err.toStdString();
    }
    // Run from a file removed since it started, it still names its folder.
    const auto removed = test::runProgram(
        "bash", {"-c", "exec 3<\"$1\" && rm \"$1\" && exec /proc/self/fd/3 speak --dry-run \"$2\"", "-", alone,
                 kSuica.mid(6)});
    EXPECT_TRUE(removed.err.contains(" from " + home.file("alone/kuvora-cli-full") + " (") &&
                removed.err.contains(" in " + home.file("alone") + "\n"))
        << removed.err.toStdString();
    // Beside it, it does the work with the same arguments.
    const auto svg = test::runInHome(home, cli(), needsFull[0]);
    EXPECT_EQ(svg.exitCode, 0) << svg.err.toStdString();
    EXPECT_TRUE(svg.out.contains("<svg"));
}
