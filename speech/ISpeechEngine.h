// The voice behind the speech queue: speaks one text at a time on the
// speaking thread. The queue makes the engine on that thread and destroys it
// there, so an engine may keep thread-bound objects.
#pragma once

#include <QString>

#include <chrono>
#include <functional>
#include <memory>

class ISpeechEngine {
public:
    using Clock = std::chrono::steady_clock;

    virtual ~ISpeechEngine() = default;
    // Speaks `text` and returns when it has been spoken. At `deadline` the
    // engine stops speaking and returns, so a voice that never reports the end
    // of a text cannot hold the queue.
    virtual void Speak(const QString& text, Clock::time_point deadline) = 0;
    // Called from another thread, while Speak runs or just before: silences
    // the voice and makes Speak return soon; later texts are not spoken.
    // Returns at once. An engine without it is waited for up to the deadline.
    virtual void Interrupt() {}
};

// Makes the engine on the speaking thread; null when there is no engine or
// no voice (nothing is spoken then, and nothing is reported).
using SpeechEngineFactory = std::function<std::unique_ptr<ISpeechEngine>()>;
