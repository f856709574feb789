// kuvora-cli speak: the dry run over every sample card, checked by
// espeak-ng's Japanese voice, and a run without a speech server.
#include "CKanaReading.h"
#include "TestSupport.h"

#include <QDir>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

int count(const QString& text, QChar c) { return static_cast<int>(text.count(c)); }

QString cli() { return test::binaryPath("bin/kuvora-cli"); }

}  // namespace

TEST(SpeakCli, EspeakReadsEverySampleCardsReadingsInJapanese) {
    test::IsolatedHome home;
    test::importSampleNames();
    QStringList readings;
    const QStringList cards = QDir(test::sourcePath("data/cards")).entryList({"*.json"}, QDir::Files);
    ASSERT_FALSE(cards.isEmpty());
    for (const QString& card : cards) {
        if (card == "common-area-sample.json") continue;  // no stored-fare card: nothing to speak
        auto r = test::runInHome(home, cli(),
                                 {"speak", "--dry-run", "--reader", "image:" + test::sourcePath("data/cards/" + card)});
        EXPECT_EQ(r.exitCode, 0) << card.toStdString() << r.err.toStdString();
        const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
        EXPECT_FALSE(lines.isEmpty()) << card.toStdString();
        for (const QString& line : lines) {
            const QStringList cols = line.split('\t');
            ASSERT_EQ(cols.size(), 2) << line.toStdString();
            EXPECT_FALSE(CKanaReading::HasKanji(cols[1])) << line.toStdString();
            EXPECT_EQ(count(cols[0], ','), 9);
            EXPECT_EQ(count(cols[1], ','), 9) << line.toStdString();
            readings << cols[1];
        }
    }
    QProcess espeak;
    espeak.start("espeak-ng", {"-v", "ja", "-q", "-x", readings.join("\n")});
    ASSERT_TRUE(espeak.waitForFinished(60000));
    const QString phonemes = QString::fromUtf8(espeak.readAllStandardOutput());
    EXPECT_FALSE(phonemes.trimmed().isEmpty());
    // A letter the voice cannot read makes it switch to English ("Chinese letter").
    EXPECT_FALSE(phonemes.contains("(en)")) << phonemes.toStdString();
}

TEST(SpeakCli, WithoutASpeechServerNothingIsSpokenAndTheStatusSaysSo) {
    test::IsolatedHome home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", home.configHome());
    env.insert("XDG_DATA_HOME", home.dataHome());
    env.insert("HOME", home.path());
    env.insert("SPEECHD_ADDRESS", "unix_socket:" + home.file("no-server.sock"));
    const QString card = "image:" + test::sourcePath("data/cards/suica-sample.json");
    auto r = test::runProgram(cli(), {"speak", "--reader", card}, env);
    EXPECT_EQ(r.exitCode, 1) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("no speech engine answered")) << r.err.toStdString();
    EXPECT_EQ(r.out, "");

    // The dry run belongs to speak; speak writes no export.
    EXPECT_EQ(test::runInHome(home, cli(), {"read", "--dry-run", "--reader", card}).exitCode, 2);
    EXPECT_EQ(test::runInHome(home, cli(), {"speak", "--format", "json", "--reader", card}).exitCode, 2);
}
