// The Edit menu's read-aloud commands of the main window.
#include "CKuvoraDoc.h"
#include "CMainFrame.h"
#include "TestSupport.h"

#include <QAction>

#include <gtest/gtest.h>

#include <mutex>

using namespace std::chrono_literals;

namespace {

struct Spoken {
    std::mutex m;
    QStringList texts;
};

class RecordingEngine : public ISpeechEngine {
public:
    explicit RecordingEngine(std::shared_ptr<Spoken> s) : spoken(std::move(s)) {}
    void Speak(const QString& text, Clock::time_point) override {
        std::lock_guard<std::mutex> lock(spoken->m);
        spoken->texts << text;
    }
    std::shared_ptr<Spoken> spoken;
};

}  // namespace

TEST(ReadAloudCommands, EnabledWithTheirPromptsAndSpeakTheCardRows) {
    test::IsolatedHome home;
    RecordingMessageSink messages;
    ScopedMessageSink sink(&messages);
    test::LibrarySession session("image:" + test::sourcePath("data/cards/suica-sample.json"));
    auto spoken = std::make_shared<Spoken>();
    CKuvoraDoc doc([spoken] { return std::make_unique<RecordingEngine>(spoken); });
    doc.OnNewDocument();
    CMainFrame frame(&doc);
    QAction* start = frame.Action(32793);
    QAction* stop = frame.Action(32794);
    ASSERT_TRUE(start && stop);
    EXPECT_EQ(start->text(), "履歴読み上げ(&R)");
    EXPECT_EQ(start->statusTip(), "履歴読み上げを開始");
    EXPECT_EQ(start->toolTip(), "読み上げ開始");
    EXPECT_EQ(stop->text(), "読み上げ中止(&S)");
    EXPECT_EQ(stop->statusTip(), "履歴読み上げを中止");
    EXPECT_EQ(stop->toolTip(), "読み上げ中止");

    // The read stays silent ("AllWaysHistoryRead" is off); the command speaks.
    ASSERT_TRUE(frame.Execute(32771));
    ASSERT_TRUE(doc.m_Speaker.WaitUntilIdle(5s));
    ASSERT_TRUE(frame.Execute(32793));
    ASSERT_TRUE(doc.m_Speaker.WaitUntilIdle(5s));
    {
        std::lock_guard<std::mutex> lock(spoken->m);
        // Only the command's 20 rows: the read itself queued nothing.
        ASSERT_EQ(spoken->texts.size(), 20);
        EXPECT_EQ(spoken->texts[0], "26年11月28日,,,未登録,未登録,,未登録,未登録,, 3470円");
    }
    // The stop command drops what waits (timing cases: the document tests).
    ASSERT_TRUE(frame.Execute(32794));
}
