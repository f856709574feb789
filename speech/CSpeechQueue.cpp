#include "CSpeechQueue.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace {

using Clock = ISpeechEngine::Clock;

// How long making the engine may take (a speech server may be started).
constexpr std::chrono::milliseconds kEngineStartBound{20000};

}  // namespace

struct CSpeechQueue::Shared {
    enum class Voice { Unknown, Present, Absent };

    std::mutex lock;
    // The wake event: manual reset, set when a text is queued or when the
    // queue stops; the speaking thread resets it.
    std::condition_variable wake;
    bool wakeSignalled = false;
    // Told when the speaking thread goes idle or ends.
    std::condition_variable settled;
    std::deque<QString> queue;
    bool stop = false;
    Voice voice = Voice::Unknown;
    // The speaking thread is making the engine or speaking until this time.
    bool busy = false;
    Clock::time_point busyUntil;
    bool ended = false;
    // The engine while the speaking thread has one, and whether Silence()
    // was called (and when).
    ISpeechEngine* engine = nullptr;
    bool silenced = false;
    Clock::time_point silencedAt;
    std::thread thread;
};

CSpeechQueue::CSpeechQueue(SpeechEngineFactory factory) : m_pShared(std::make_shared<Shared>()) {
    if (!factory) {
        m_pShared->voice = Shared::Voice::Absent;
        m_pShared->ended = true;
        return;
    }
    m_pShared->thread = std::thread(&CSpeechQueue::Run, m_pShared, std::move(factory));
}

CSpeechQueue::~CSpeechQueue() {
    Shared& s = *m_pShared;
    std::unique_lock<std::mutex> lock(s.lock);
    s.stop = true;
    s.queue.clear();
    s.wakeSignalled = true;
    s.wake.notify_all();
    // The text being spoken may finish, within its bound; an engine stuck
    // past that is left behind so the program can still end.
    while (!s.ended) {
        const Clock::time_point until =
            s.silenced ? s.silencedAt + kSilencedWait : (s.busy ? s.busyUntil : Clock::now()) + kStopGrace;
        if (s.settled.wait_until(lock, until) == std::cv_status::timeout && !s.ended &&
            (s.silenced || !s.busy || Clock::now() >= s.busyUntil + kStopGrace))
            break;
    }
    const bool ended = s.ended;
    lock.unlock();
    if (s.thread.joinable()) {
        if (ended)
            s.thread.join();
        else
            s.thread.detach();  // it holds its own share of the state
    }
}

std::chrono::milliseconds CSpeechQueue::SpeakingBound(const QString& text) {
    const qint64 ms = 2000 + 300 * static_cast<qint64>(text.size());
    return std::chrono::milliseconds(std::min<qint64>(ms, 60000));
}

bool CSpeechQueue::Speak(const QString& text) {
    Shared& s = *m_pShared;
    std::lock_guard<std::mutex> lock(s.lock);
    if (s.voice == Shared::Voice::Absent) return false;
    if (!s.stop && static_cast<int>(s.queue.size()) < kMaxWaiting && text.size() <= kMaxTextLength) {
        s.queue.push_back(text);
        s.wakeSignalled = true;
        s.wake.notify_all();
    }
    return true;
}

void CSpeechQueue::ClearQueue() {
    std::lock_guard<std::mutex> lock(m_pShared->lock);
    m_pShared->queue.clear();
}

void CSpeechQueue::Silence() {
    Shared& s = *m_pShared;
    std::lock_guard<std::mutex> lock(s.lock);
    if (s.silenced) return;
    s.silenced = true;
    s.silencedAt = Clock::now();
    s.stop = true;
    s.queue.clear();
    if (s.engine) s.engine->Interrupt();
    s.wakeSignalled = true;
    s.wake.notify_all();
}

bool CSpeechQueue::HasVoice() const {
    std::lock_guard<std::mutex> lock(m_pShared->lock);
    return m_pShared->voice != Shared::Voice::Absent;
}

bool CSpeechQueue::WaitUntilIdle(std::chrono::milliseconds limit) {
    Shared& s = *m_pShared;
    std::unique_lock<std::mutex> lock(s.lock);
    return s.settled.wait_for(lock, limit, [&s] { return s.ended || (s.queue.empty() && !s.busy); });
}

void CSpeechQueue::Run(std::shared_ptr<Shared> shared, SpeechEngineFactory factory) {
    Shared& s = *shared;
    std::unique_ptr<ISpeechEngine> engine;
    bool engineTried = false;
    for (;;) {
        QString text;
        {
            std::unique_lock<std::mutex> lock(s.lock);
            if (s.queue.empty()) {
                s.wakeSignalled = false;
                s.busy = false;
                s.settled.notify_all();
                if (s.stop) break;
                s.wake.wait(lock, [&s] { return s.wakeSignalled; });
                s.wakeSignalled = false;
                continue;
            }
            text = s.queue.front();
            s.queue.pop_front();
            s.busy = true;
            s.busyUntil = Clock::now() + (engineTried ? SpeakingBound(text) : kEngineStartBound);
        }
        if (!engineTried) {
            engineTried = true;
            engine = factory();
            std::lock_guard<std::mutex> lock(s.lock);
            s.engine = engine.get();
            s.voice = engine ? Shared::Voice::Present : Shared::Voice::Absent;
            if (!engine) s.queue.clear();
            s.busyUntil = Clock::now() + SpeakingBound(text);
        }
        if (engine && !text.isEmpty()) {
            Clock::time_point deadline;
            {
                std::lock_guard<std::mutex> lock(s.lock);
                if (s.silenced) continue;
                deadline = s.busyUntil;
            }
            engine->Speak(text, deadline);
        }
    }
    {
        std::lock_guard<std::mutex> lock(s.lock);
        s.engine = nullptr;
    }
    engine.reset();
    std::lock_guard<std::mutex> lock(s.lock);
    s.ended = true;
    s.settled.notify_all();
}
