#include "CardImageCommands.h"
#include "WindowTexts.h"
#include "TestSupport.h"

#include <QFile>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

namespace {

felica::CardImage sampleImage() {
    std::string error;
    return *felica::CardImage::load(test::sourcePath("data/cards/suica-sample.json").toStdString(), error);
}

}  // namespace

TEST(CardImageCommands, CaptureWritesTheCardOrNothing) {
    test::IsolatedHome home;
    RecordingMessageSink messages;
    ScopedMessageSink sink(&messages);
    test::LibrarySession session("image:" + test::sourcePath("data/cards/suica-sample.json"));
    const QString path = home.file("captured.json");
    ASSERT_TRUE(CaptureCardImage(nullptr, path));
    EXPECT_TRUE(messages.messages.isEmpty());
    std::string error;
    auto captured = felica::CardImage::load(path.toStdString(), error);
    ASSERT_TRUE(captured) << error;
    EXPECT_EQ(captured->toJson(), sampleImage().toJson());

    // The card is lifted half way: no file, and a message that says why.
    auto transport = std::make_shared<test::ScriptedTransport>(sampleImage());
    test::TransportOverride override(transport);
    transport->filter = [](std::size_t i, felica::TransceiveStatus s, felica::Bytes& a) {
        if (i < 10) return s;
        a.clear();
        return felica::TransceiveStatus::NoAnswer;
    };
    const QString lifted = home.file("lifted.json");
    EXPECT_FALSE(CaptureCardImage(nullptr, lifted));
    EXPECT_FALSE(QFile::exists(lifted));
    ASSERT_EQ(messages.messages.size(), 1);
    EXPECT_TRUE(messages.messages[0].startsWith("カードイメージを保存できませんでした。\n"));
}

// The loader's and the capture's English, as the window shows it: Japanese,
// with file names and values kept. Built from real loader errors, so a changed
// English text shows up here.
TEST(CardImageCommands, TheWindowSaysLoaderAndCaptureTextsInJapanese) {
    test::IsolatedHome home;
    const std::string sample = sampleImage().toJson();
    auto errorFor = [&](const std::string& text) {
        const QString path = home.file("bad.json");
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text.data(), static_cast<qint64>(text.size()));
        f.close();
        std::string error;
        EXPECT_FALSE(felica::CardImage::load(path.toStdString(), error));
        return WindowText(error);
    };
    std::string shortIdm = sample;
    shortIdm.replace(shortIdm.find("01010410C8192A3B"), 16, "0101");
    const QString field = errorFor(shortIdm);
    EXPECT_TRUE(field.contains("bad.json の idm が正しくありません: 16進数 16 桁のはずが 4 文字です")) << field.toStdString();
    EXPECT_TRUE(errorFor("{").contains("JSON として読めません")) << errorFor("{").toStdString();
    std::string error;
    felica::CardImage::load(home.file("missing.json").toStdString(), error);
    EXPECT_EQ(WindowText(error), "カードイメージ " + home.file("missing.json") + " を開けません（" +
                                     QString::fromLocal8Bit(std::strerror(ENOENT)) + "）。");
    EXPECT_EQ(WindowText(std::string("service 090F: 20 block(s)")), "サービス 090F: 20 ブロック");
    EXPECT_EQ(WindowText(std::string("something else")), "something else");
}

// The message boxes of a read that reached no card keep their texts and say
// why on a second line; other boxes stay as they are.
TEST(CardImageCommands, NoCardMessagesGainTheReasonOnASecondLine) {
    const std::string noReader =
        "the reader/writer could not be opened: no reader/writer found (pcsc: pcscd is not running (start it with: "
        "systemctl start pcscd.socket); usb: no RC-S380 reader/writer was found on USB (is one plugged in?); nfc: "
        "libnfc found no reader/writer (is one plugged in, and may this user use it?))";
    const std::string noCard = "no card on the reader answered polling for system 0003";
    const struct {
        QString text;
        std::string reason;
        QString shown;
    } cases[] = {
        {"リーダ・ライタを自動認識できません", noReader,
         "リーダ・ライタを自動認識できません\nリーダ・ライタを開けませんでした（pcsc: pcscd が動いていません（systemctl "
         "start pcscd.socket で起動できます）、usb: USB に RC-S380 がありません（接続されていますか？）、nfc: libnfc "
         "がリーダ・ライタを見つけられません（接続されていますか？ このユーザーが使えますか？））"},
        {"リーダ・ライタを自動認識できません", "the reader/writer could not be opened: something new",
         "リーダ・ライタを自動認識できません\nリーダ・ライタを開けませんでした（something new）"},
        {"SF カードを認識することができません", noCard,
         "SF カードを認識することができません\nリーダ・ライタの上にシステム 0003 のカードがありません"},
        {"カードからのデータの読み込みに失敗しました", "the card did not answer read",
         "カードからのデータの読み込みに失敗しました\nthe card did not answer read"},
        {"SF カードを認識することができません", "", "SF カードを認識することができません"},
        {"保存ファイルを作成できません。", noCard, "保存ファイルを作成できません。"},
    };
    for (const auto& c : cases) EXPECT_EQ(WithNoCardReason(c.text, c.reason), c.shown) << c.reason;
}
