#include "CardImageCommands.h"
#include "TestSupport.h"

#include <QFile>

#include <gtest/gtest.h>

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
