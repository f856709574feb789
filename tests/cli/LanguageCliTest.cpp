// kuvora-cli's output for a person (the table, the messages on standard
// error) follows the language; what programs read (JSON, the export files)
// is the same byte for byte whatever the language.
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <map>

#include <gtest/gtest.h>

namespace {

// Runs kuvora-cli in `home` with the locale of `language` ("ja" or "en").
test::ProcessResult runIn(const test::IsolatedHome& home, const char* language, const QStringList& args) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", home.configHome());
    env.insert("XDG_DATA_HOME", home.dataHome());
    env.insert("HOME", home.path());
    env.insert("LANGUAGE", language);
    env.remove("KUVORA_READER");
    return test::runProgram(test::binaryPath("bin/kuvora-cli"), args, env);
}

}  // namespace

TEST(CliLanguage, TableAndMessagesFollowTheLanguageFilesAndJsonDoNot) {
    test::IsolatedHome home;
    const QString setamaru = "image:" + test::sourcePath("data/cards/setamaru-sample.json");
    std::map<QString, QByteArray> japanese;
    for (const char* language : {"ja", "en"})
        for (const QString format : {"json", "tsv", "xml", "xls", "csv", "table"}) {
            const auto r = runIn(home, language, {"read", "--reader", setamaru, "--format", format});
            ASSERT_EQ(r.exitCode, 0) << language << " " << format.toStdString() << ": " << r.err.toStdString();
            if (QLatin1String(language) == QLatin1String("ja")) {
                japanese[format] = r.outBytes;
            } else if (format == "table") {
                EXPECT_TRUE(japanese[format].startsWith("FeliCa 製造番号(IDm): 01162B80751A0D3E (FeliCa製造 2018年07月18日)\n"
                                                        "SF カードタイプ: せたまる\n"));
                EXPECT_TRUE(r.out.startsWith("Manufacture ID (IDm): 01162B80751A0D3E (manufactured 2018-07-18)\n"
                                             "Card type: Setamaru\n"))
                    << r.out.toStdString();
                EXPECT_TRUE(r.out.contains(QRegularExpression("\n #  Date +Time +Terminal +Trade +From +To +Balance")));
            } else {
                EXPECT_EQ(r.outBytes, japanese[format]) << format.toStdString();
            }
        }

    // The expense claim of the card read, drawn for a person: its words in
    // the language, the card's names as they are.
    const std::pair<const char*, QStringList> claims[] = {
        {"ja", {"交通費明細", "せたまる", "2026年11月11日", "乗車", "未登録", "18 件"}},
        {"en", {"Travel Expenses", "Setamaru", "2026-11-11 to 2026-11-28", "Ride", "未登録", "18 journeys"}}};
    for (const auto& [language, shown] : claims) {
        runIn(home, language,
              {"history", "--idm", "01162B80751A0D3E", "--journeys", "--format=pdf", "--output", home.file("c.pdf")});
        const QString text = test::runProgram("pdftotext", {"-layout", home.file("c.pdf"), "-"}).out;
        for (const QString& s : shown) EXPECT_TRUE(text.contains(s)) << language << ": " << s.toStdString();
    }

    // A message (no server to send to): on standard error in the language,
    // in the JSON as it is.
    QDir().mkpath(home.configHome() + "/Mirokaze");
    QFile conf(home.configHome() + "/Mirokaze/Kuvora.conf");
    ASSERT_TRUE(conf.open(QIODevice::WriteOnly));
    // Port 1 of the loopback: nothing listens there (a privileged port).
    conf.write("[Settings]\nTCPIPSend=1\nServerAddress=127.0.0.1\nServerPort=1\n");
    conf.close();
    const std::pair<const char*, const char*> messages[] = {{"ja", "サーバーへ接続失敗\n"},
                                                            {"en", "Connecting to the server failed\n"}};
    for (const auto& [language, shown] : messages) {
        const auto r = runIn(home, language, {"read", "--reader", setamaru});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.err.toStdString(), shown);
        EXPECT_TRUE(r.out.contains("\"messages\": [\"サーバーへ接続失敗\"]")) << r.out.toStdString();
    }
}
