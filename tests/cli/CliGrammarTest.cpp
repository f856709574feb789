// kuvora-cli's command table: what the parser makes of command lines, and
// the files made from the table.
#include "CliGrammar.h"
#include "CliGrammarFiles.h"
#include "CliParser.h"
#include "TestSupport.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

QString fileText(const QString& relative) {
    QFile f(test::sourcePath(relative));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << relative.toStdString();
    return QString::fromUtf8(f.readAll());
}

}  // namespace

TEST(CliGrammar, CompletionAndSynopsisAreTheTables) {
    // Out of date: cmake --build build --target cli_grammar_files
    EXPECT_EQ(fileText("resources/completion/kuvora-cli").toStdString(), cli::CompletionScript().toStdString());
    const QString man = fileText("docs/man/kuvora-cli.1");
    EXPECT_EQ(man.toStdString(), cli::WithSynopsis(man).toStdString());
}

TEST(CliGrammar, CommandLines) {
    const struct {
        QStringList args;
        const char* error;
        const char* hint;
        const char* reader;  // options.reader when there is no error
    } cases[] = {
        {{"idm", "--idm", "X"}, "--idm belongs to history, not to idm", "", ""},
        {{"speak", "--idm", "X"}, "--idm belongs to history, not to speak", "", ""},
        {{"readers", "--card-type", "3"}, "--card-type belongs to history, not to readers", "", ""},
        {{"history", "--reader", "auto"}, "--reader belongs to idm, read, capture, green, dump and speak, not to history",
         "", ""},
        {{"read", "--formt", "json"}, "unknown option --formt", "--format", ""},
        {{"read", "--out", "x"}, "unknown option --out", "--output", ""},
        {{"-reader", "x", "read"}, "unknown option -reader", "--reader", ""},
        {{"--colour"}, "unknown option --colour", "", ""},
        {{"raed"}, "unknown command raed", "read", ""},
        {{"frobnicate"}, "unknown command frobnicate", "", ""},
        {{}, "no command given", "", ""},
        {{"history", "--from", "2026-01-01", "--from=2026-02-01"}, "--from is given twice", "", ""},
        {{"read", "--verbose", "--verbose"}, "--verbose is given twice", "", ""},
        {{"read", "--wait=1"}, "--wait takes no value", "", ""},
        {{"idm", "--reader"}, "--reader needs a value", "", ""},
        {{"read", "--format", "jsn"}, "--format jsn: expected json, table, tsv, xml, xls, csv, pdf, svg or png", "json", ""},
        {{"green", "--format", "csv"}, "--format csv: expected json or table", "", ""},
        {{"capture", "card.json"}, "--output FILE is missing", "", ""},
        {{"read", "card.json", "--reader", "auto"}, "a card image file and --reader exclude each other", "", ""},
        {{"read", "a.json", "b.json"}, "unexpected argument b.json", "", ""},
        {{"history", "card.json"}, "unexpected argument card.json", "", ""},
        // What is taken: a card image after the command, options either side.
        {{"read", "card.json", "--format=table"}, "", "", "image:card.json"},
        {{"--reader", "image:x.json", "idm"}, "", "", "image:x.json"},
        {{"dump", "--", "-odd.json"}, "", "", "image:-odd.json"},
        {{"--version"}, "", "", ""},
    };
    for (const auto& c : cases) {
        const ParsedCommandLine parsed = ParseCliArguments(c.args);
        const std::string line = c.args.join(' ').toStdString();
        EXPECT_EQ(parsed.error.toStdString(), c.error) << line;
        EXPECT_EQ(parsed.hint.toStdString(), c.hint) << line;
        if (!*c.error) {
            EXPECT_EQ(parsed.options.reader.toStdString(), c.reader) << line;
        }
    }
    EXPECT_EQ(UsageErrorLine("read", "unknown option --formt", "--format"),
              "kuvora-cli: read: unknown option --formt; did you mean --format? (see kuvora-cli read --help)");
    EXPECT_EQ(UsageErrorLine("", "no command given"), "kuvora-cli: no command given (see kuvora-cli --help)");
}

TEST(CliGrammar, HelpLinesFitATerminal) {
    QStringList texts{cli::UsageText()};
    for (const cli::Command& c : cli::Commands()) texts << cli::CommandHelp(c);
    for (const QString& text : texts)
        for (const QString& line : text.split('\n')) EXPECT_LE(line.size(), 79) << line.toStdString();
}
