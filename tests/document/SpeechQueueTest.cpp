// The speech queue with a recording voice, the spoken texts of the rows, and
// the read-aloud commands of the document.
#include "CKuvoraDoc.h"
#include "CSettingsStore.h"
#include "CSpeechQueue.h"
#include "SpokenText.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <condition_variable>
#include <mutex>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

// What the recording voice was asked and how it behaves.
struct Voice {
    std::mutex m;
    std::condition_variable cv;
    QStringList started, finished, stopped;
    int gate = INT_MAX;  // how many texts may finish
    bool honourDeadline = true;
    bool interrupted = false;
    std::chrono::milliseconds speakTime{0};

    bool waitStarted(int n) {
        std::unique_lock<std::mutex> lock(m);
        return cv.wait_for(lock, 10s, [&] { return started.size() >= n; });
    }
    void open(int n = INT_MAX) {
        std::lock_guard<std::mutex> lock(m);
        gate = n;
        cv.notify_all();
    }
    QStringList spoken() {
        std::lock_guard<std::mutex> lock(m);
        return finished;
    }
};

class RecordingEngine : public ISpeechEngine {
public:
    explicit RecordingEngine(std::shared_ptr<Voice> voice) : v(std::move(voice)) {}
    void Speak(const QString& text, Clock::time_point deadline) override {
        std::unique_lock<std::mutex> lock(v->m);
        v->started << text;
        v->cv.notify_all();
        const Clock::time_point done = Clock::now() + v->speakTime;
        while (v->finished.size() >= v->gate || Clock::now() < done) {
            if ((v->honourDeadline && Clock::now() >= deadline) || v->interrupted) {
                v->stopped << text;
                return;
            }
            v->cv.wait_for(lock, 5ms);
        }
        v->finished << text;
    }
    void Interrupt() override {
        std::lock_guard<std::mutex> lock(v->m);
        v->interrupted = true;
        v->cv.notify_all();
    }
    std::shared_ptr<Voice> v;
};

SpeechEngineFactory recording(const std::shared_ptr<Voice>& voice) {
    return [voice] { return std::make_unique<RecordingEngine>(voice); };
}

double secondsSince(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

}  // namespace

TEST(SpeechQueue, ClearWhileTheThirdOfTwentyIsSpokenFinishesItAndNothingElse) {
    auto voice = std::make_shared<Voice>();
    voice->gate = 2;
    CSpeechQueue queue(recording(voice));
    QStringList texts;
    for (int i = 1; i <= 20; ++i) texts << QStringLiteral("text %1").arg(i);
    for (const QString& t : texts) EXPECT_TRUE(queue.Speak(t));
    ASSERT_TRUE(voice->waitStarted(3));
    queue.ClearQueue();
    voice->open();
    ASSERT_TRUE(queue.WaitUntilIdle(5s));
    EXPECT_EQ(voice->spoken(), texts.mid(0, 3));
    // Texts queued afterwards are spoken in the order queued.
    for (const char* t : {"a", "b", "c"}) queue.Speak(t);
    ASSERT_TRUE(queue.WaitUntilIdle(5s));
    EXPECT_EQ(voice->spoken(), texts.mid(0, 3) + QStringList({"a", "b", "c"}));
}

TEST(SpeechQueue, AtMostAThousandWaitAndOverlongTextsAreDropped) {
    auto voice = std::make_shared<Voice>();
    voice->gate = 0;
    CSpeechQueue queue(recording(voice));
    queue.Speak("first");
    ASSERT_TRUE(voice->waitStarted(1));
    for (int i = 0; i <= CSpeechQueue::kMaxWaiting; ++i) EXPECT_TRUE(queue.Speak(QString::number(i)));
    voice->open();
    ASSERT_TRUE(queue.WaitUntilIdle(20s));
    QStringList spoken = voice->spoken();
    ASSERT_EQ(spoken.size(), 1 + CSpeechQueue::kMaxWaiting);
    EXPECT_EQ(spoken.last(), "999");

    EXPECT_TRUE(queue.Speak(QString(CSpeechQueue::kMaxTextLength + 1, QChar(u'あ'))));
    const QString longest(CSpeechQueue::kMaxTextLength, QChar(u'い'));
    queue.Speak(longest);
    ASSERT_TRUE(queue.WaitUntilIdle(5s));
    spoken = voice->spoken();
    EXPECT_EQ(spoken.size(), 2 + CSpeechQueue::kMaxWaiting);
    EXPECT_EQ(spoken.last(), longest);
}

TEST(SpeechQueue, WithoutAVoiceNothingIsQueued) {
    CSpeechQueue none;
    EXPECT_FALSE(none.Speak("a"));
    EXPECT_FALSE(none.HasVoice());
    EXPECT_TRUE(none.WaitUntilIdle(0ms));

    // An engine that cannot be made (no server): known after the first text.
    CSpeechQueue noServer([] { return std::unique_ptr<ISpeechEngine>(); });
    noServer.Speak("a");
    noServer.Speak("b");
    ASSERT_TRUE(noServer.WaitUntilIdle(5s));
    EXPECT_FALSE(noServer.HasVoice());
    EXPECT_FALSE(noServer.Speak("c"));
}

TEST(SpeechQueue, DestructionWaitsForTheTextBeingSpokenOnly) {
    auto voice = std::make_shared<Voice>();
    voice->speakTime = 1000ms;
    const auto start = [&] {
        auto queue = std::make_unique<CSpeechQueue>(recording(voice));
        queue->Speak("a");
        queue->Speak("b");
        EXPECT_TRUE(voice->waitStarted(1));
        const Clock::time_point t = Clock::now();
        queue.reset();
        return t;
    }();
    EXPECT_GE(secondsSince(start), 0.5);
    EXPECT_EQ(voice->spoken(), QStringList{"a"});
    EXPECT_EQ(voice->started, QStringList{"a"});

    // Silenced first (the session ends): the text is cut short, nothing more is taken.
    auto silenced = std::make_shared<Voice>();
    silenced->speakTime = 20s;
    auto queue = std::make_unique<CSpeechQueue>(recording(silenced));
    queue->Speak("a");
    ASSERT_TRUE(silenced->waitStarted(1));
    const Clock::time_point t = Clock::now();
    queue->Silence();
    queue->Speak("b");
    queue.reset();
    EXPECT_LT(secondsSince(t), 1.0);
    EXPECT_EQ(silenced->stopped, QStringList{"a"});
    EXPECT_EQ(silenced->started, QStringList{"a"});
}

TEST(SpeechQueue, DestructionWaitsNoLongerThanTheBound) {
    EXPECT_EQ(CSpeechQueue::SpeakingBound("あ"), 2300ms);
    EXPECT_EQ(CSpeechQueue::SpeakingBound(QString(193, QChar(u'a'))), 59900ms);
    EXPECT_EQ(CSpeechQueue::SpeakingBound(QString(194, QChar(u'a'))), 60000ms);

    // A voice that never reports the end: stopped at the bound.
    auto stuck = std::make_shared<Voice>();
    stuck->gate = 0;
    auto queue = std::make_unique<CSpeechQueue>(recording(stuck));
    queue->Speak("あ");
    ASSERT_TRUE(stuck->waitStarted(1));
    Clock::time_point t = Clock::now();
    queue.reset();
    EXPECT_LT(secondsSince(t), 2.3 + 0.5);
    EXPECT_EQ(stuck->stopped, QStringList{"あ"});

    // A voice that does not even return: the program goes on without it.
    auto hung = std::make_shared<Voice>();
    hung->gate = 0;
    hung->honourDeadline = false;
    queue = std::make_unique<CSpeechQueue>(recording(hung));
    queue->Speak("あ");
    ASSERT_TRUE(hung->waitStarted(1));
    t = Clock::now();
    queue.reset();
    const double waited = secondsSince(t);
    EXPECT_GT(waited, 2.0);
    EXPECT_LT(waited, 2.3 + 1.0 + 0.8);
    // Let the abandoned thread end before the test does.
    hung->open();
    while (hung->spoken().isEmpty()) std::this_thread::sleep_for(5ms);
    std::this_thread::sleep_for(100ms);
}

TEST(SpokenText, RowTextsKeepBlanksAndSayYenOnlyWithABalance) {
    using namespace history;
    CHistoryDisplay h;
    h.SetText(Date, 0, "26年11月28日");
    h.SetText(DepartureCompany, 0, "見本鉄道");
    h.SetText(DepartureStation, 0, "見本中央");
    h.SetText(ArrivalCompany, 0, "見本鉄道");
    h.SetText(ArrivalStation, 0, "見本公園");
    h.SetText(Balance, 0, " 3470");
    EXPECT_EQ(SpokenHistoryText(h, 0), "26年11月28日,,,見本鉄道,見本中央,,見本鉄道,見本公園,, 3470円");
    h.SetText(Date, 1, "26年11月29日");
    h.SetText(Balance, 1, "  120");
    EXPECT_EQ(SpokenHistoryText(h, 1), "26年11月29日,,,,,,,,,  120円");
    EXPECT_EQ(SpokenHistoryText(h, 2), ",,,,,,,,,");
}

TEST(ReadAloud, ReadWithAlwaysReadAloudThenTheCommandSpeaksTheRowsTwice) {
    test::IsolatedHome home;
    RecordingMessageSink messages;
    ScopedMessageSink sink(&messages);
    test::LibrarySession session("image:" + test::sourcePath("data/cards/suica-sample.json"));
    test::importSampleNames();
    settings::WriteInt("AllWaysHistoryRead", 1);
    auto voice = std::make_shared<Voice>();
    CKuvoraDoc doc(recording(voice));
    doc.OnNewDocument();
    doc.m_nMode = 1;
    doc.OnCardRead();
    doc.OnHistoryReadAloud();
    ASSERT_TRUE(doc.m_Speaker.WaitUntilIdle(10s));
    const QStringList spoken = voice->spoken();
    ASSERT_EQ(spoken.size(), 40);
    EXPECT_EQ(spoken.mid(0, 20), spoken.mid(20));
    EXPECT_EQ(spoken[0], "26年11月28日,,,見本鉄道,見本中央,,見本鉄道,見本公園,, 3470円");

    // Without the setting a read is silent; the stop command drops what waits.
    settings::WriteInt("AllWaysHistoryRead", 0);
    voice->open(40);
    doc.OnCardRead();
    doc.OnHistoryReadAloud();
    ASSERT_TRUE(voice->waitStarted(41));
    doc.OnHistoryReadStop();
    voice->open();
    ASSERT_TRUE(doc.m_Speaker.WaitUntilIdle(10s));
    EXPECT_EQ(voice->spoken().size(), 41);
}
