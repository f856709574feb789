// kuvora-cli COMMAND --help: that command's options, none of the others'.
#include "TestSupport.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

QString cli() { return test::binaryPath("bin/kuvora-cli"); }

QStringList optionsShown(const QString& help) {
    QStringList names;
    static const QRegularExpression option("^  (--[a-z-]+)", QRegularExpression::MultilineOption);
    for (auto it = option.globalMatch(help); it.hasNext();) names << it.next().captured(1);
    return names;
}

}  // namespace

TEST(CommandHelp, EachCommandShowsItsOwnOptionsOnly) {
    test::IsolatedHome home;
    const struct {
        const char* command;
        QStringList options;
    } cases[] = {
        {"idm", {"--reader", "--verbose", "--help"}},
        {"read", {"--reader", "--mode", "--format", "--output", "--page-size", "--stats", "--wait", "--timeout",
                  "--loop", "--verbose", "--help"}},
        {"capture", {"--reader", "--output", "--verbose", "--help"}},
        {"green", {"--reader", "--format", "--stats", "--verbose", "--help"}},
        {"dump", {"--reader", "--output", "--stats", "--verbose", "--help"}},
        {"speak", {"--reader", "--mode", "--dry-run", "--verbose", "--help"}},
        {"history", {"--idm", "--card-type", "--format", "--output", "--summary", "--journeys", "--from", "--to",
                     "--forget", "--help"}},
        {"readers", {"--verbose", "--help"}},
    };
    for (const auto& c : cases) {
        for (const QStringList& args : {QStringList{c.command, "--help"}, QStringList{"-h", c.command}}) {
            const auto r = test::runInHome(home, cli(), args);
            EXPECT_EQ(r.exitCode, 0) << args.join(' ').toStdString();
            EXPECT_TRUE(r.out.startsWith(QStringLiteral("Usage: kuvora-cli %1 ").arg(c.command)))
                << r.out.toStdString();
            EXPECT_EQ(optionsShown(r.out), c.options) << r.out.toStdString();
            EXPECT_EQ(r.err, "");
        }
    }
    // Without a command (or with one it does not know): every command.
    for (const QStringList& args : {QStringList{"--help"}, QStringList{"frobnicate", "--help"}}) {
        const auto r = test::runInHome(home, cli(), args);
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_TRUE(r.out.startsWith("Usage: kuvora-cli COMMAND [OPTIONS]")) << r.out.toStdString();
        EXPECT_TRUE(r.out.contains("--idm") && r.out.contains("--page-size") && r.out.contains("--dry-run"));
    }
}

// The parser's usage errors, each still exit status 2 with the usage text.
TEST(CommandHelp, UsageErrorsOfTheParserAreStatusTwo) {
    test::IsolatedHome home;
    const QString image = "image:" + test::sourcePath("data/cards/suica-sample.json");
    const struct {
        QStringList args;
        const char* says;
    } cases[] = {
        {{"idm", "--reader"}, "--reader"},
        {{"idm", "--reader="}, "--reader needs a value"},
        {{"idm", "--colour", "x"}, "colour"},
        {{"readers", "extra"}, "unexpected argument extra"},
        {{"read", "--reader", image, "--timeout", "5"}, "--timeout belongs to read --wait"},
        {{}, "no command given"},
    };
    for (const auto& c : cases) {
        const auto r = test::runInHome(home, cli(), c.args);
        EXPECT_EQ(r.exitCode, 2) << c.args.join(' ').toStdString();
        EXPECT_EQ(r.out, "");
        EXPECT_TRUE(r.err.contains(c.says)) << r.err.toStdString();
    }
    // Options after the command or before it, with = or apart, read alike.
    const auto apart = test::runInHome(home, cli(), {"--reader", image, "idm"});
    const auto joined = test::runInHome(home, cli(), {"idm", "--reader=" + image});
    EXPECT_EQ(apart.exitCode, 0) << apart.err.toStdString();
    EXPECT_EQ(apart.out, "01010410C8192A3B\n");
    EXPECT_EQ(joined.out, apart.out);
}

// A mistake is one line on standard error, with the name probably meant and
// the help to read; nothing else is printed.
TEST(CommandHelp, MistakesAreOneLine) {
    test::IsolatedHome home;
    const struct {
        QStringList args;
        const char* line;
    } cases[] = {
        {{"read", "--formt", "json"},
         "kuvora-cli: read: unknown option --formt; did you mean --format? (see kuvora-cli read --help)\n"},
        {{"raed"}, "kuvora-cli: unknown command raed; did you mean read? (see kuvora-cli --help)\n"},
        {{"idm", "--idm", "0101"}, "kuvora-cli: idm: --idm belongs to history, not to idm (see kuvora-cli idm --help)\n"},
        {{"history", "--idm", "0123456789ABCDEF", "--card-type", "77"},
         "kuvora-cli: history: --card-type 77: expected a card type code (see kuvora-cli history --help)\n"},
    };
    for (const auto& c : cases) {
        const auto r = test::runInHome(home, cli(), c.args);
        EXPECT_EQ(r.exitCode, 2) << c.args.join(' ').toStdString();
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.toStdString(), c.line);
    }
}

// A card image named after the command is read as --reader image:FILE.
TEST(CommandHelp, ACardImageNamedDirectlyIsRead) {
    test::IsolatedHome home;
    const QString sample = test::sourcePath("data/cards/suica-sample.json");
    const auto named = test::runInHome(home, cli(), {"read", sample, "--format", "table"});
    const auto option = test::runInHome(home, cli(), {"read", "--format", "table", "--reader", "image:" + sample});
    EXPECT_EQ(named.exitCode, 0) << named.err.toStdString();
    EXPECT_EQ(named.out, option.out);
    EXPECT_EQ(test::runInHome(home, cli(), {"idm", sample}).out, "01010410C8192A3B\n");
    const QString missing = home.file("missing.json");
    const auto r = test::runInHome(home, cli(), {"green", missing});
    EXPECT_EQ(r.exitCode, 2);
    // The system's reason, in the language the C library speaks here.
    EXPECT_TRUE(r.err.startsWith("kuvora-cli: " + missing + ": cannot open the card image file (") && r.err.endsWith(")\n"))
        << r.err.toStdString();
}
