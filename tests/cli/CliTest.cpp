#include "TestSupport.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

QString cli() { return test::binaryPath("bin/kuvora-cli"); }

test::ProcessResult run(const test::IsolatedHome& home, const QStringList& args) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", home.configHome());
    env.insert("XDG_DATA_HOME", home.dataHome());
    env.insert("HOME", home.path());
    env.remove("KUVORA_READER");
    return test::runProgram(cli(), args, env);
}

void writeText(const QString& path, const QByteArray& text) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
}

}  // namespace

TEST(Cli, IdmOfTheSampleCardAndOfACommonAreaOnlyCard) {
    test::IsolatedHome home;
    auto r = run(home, {"idm", "--reader", "image:" + test::sourcePath("data/cards/suica-sample.json")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "01010410C8192A3B\n");
    EXPECT_EQ(r.err, "");

    felica::CardImage edy = test::makeCard("0A0B0C0D0E0F1011", "FE00");
    edy.systems[0].services.push_back(test::makeService(0x170F, {std::string(32, '0')}));
    r = run(home, {"idm", "--reader=" + test::writeImage(home, edy)});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "0A0B0C0D0E0F1011\n");
}

TEST(Cli, ReaderComesFromTheEnvironmentThenTheSettings) {
    test::IsolatedHome home;
    const QString sample = "image:" + test::sourcePath("data/cards/suica-sample.json");
    QDir().mkpath(home.configHome() + "/Mirokaze");
    writeText(home.configHome() + "/Mirokaze/Kuvora.conf", "[Settings]\nReader=" + sample.toUtf8() + "\n");
    auto r = run(home, {"idm"});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "01010410C8192A3B\n");
}

TEST(Cli, MalformedImageEndsWithStatusTwoNamingTheField) {
    test::IsolatedHome home;
    const QString path = home.file("broken.json");
    writeText(path, R"({"format": "kuvora-card-image", "version": 1, "idm": "01", "pmm": "0000000000000000", "systems": []})");
    auto r = run(home, {"idm", "--reader", "image:" + path});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, path + ": idm: expected 16 hex digits, found 2 characters\n");
}

TEST(Cli, ReaderThatCannotBeOpenedIsMessageOne) {
    test::IsolatedHome home;
    auto r = run(home, {"idm", "--reader", "nfc:pn532_uart:/nonexistent"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, QString::fromUtf8("リーダ・ライタを自動認識できません\n"));
}

TEST(Cli, UsageErrorsAreStatusTwo) {
    test::IsolatedHome home;
    for (const QStringList& args : {QStringList{}, QStringList{"frobnicate"}, QStringList{"idm", "--reader"},
                                    QStringList{"idm", "--colour", "x"}, QStringList{"idm", "extra"}}) {
        auto r = run(home, args);
        EXPECT_EQ(r.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains("Usage: kuvora-cli")) << args.join(' ').toStdString();
    }
    auto help = run(home, {"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.startsWith("Usage: kuvora-cli"));
    auto version = run(home, {"--version"});
    EXPECT_EQ(version.out, "kuvora-cli 1.9.0.20\n");
}
