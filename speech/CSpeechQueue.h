// CSpeechQueue: texts waiting to be spoken and the thread that speaks them,
// so that queueing returns at once. The user-interface thread queues and
// clears; the speaking thread takes the texts in order and hands each to the
// engine. Both share only the queue and the stop flag, under one lock, and
// one wake event.
//
// The engine is made on the speaking thread when the first text arrives, so
// a program that never speaks never starts a speech server. Each text may
// take SpeakingBound(text); a voice that runs longer is stopped, and the
// destructor waits for the text being spoken no longer than its bound.
#pragma once

#include "ISpeechEngine.h"

#include <chrono>
#include <memory>

class CSpeechQueue {
public:
    static constexpr int kMaxWaiting = 1000;
    static constexpr int kMaxTextLength = 65535;

    // Without a factory there is no voice: Speak returns false.
    explicit CSpeechQueue(SpeechEngineFactory factory = {});
    ~CSpeechQueue();
    CSpeechQueue(const CSpeechQueue&) = delete;
    CSpeechQueue& operator=(const CSpeechQueue&) = delete;

    // Queues `text` unchanged and returns true, also when it is dropped
    // because kMaxWaiting texts wait or the text is longer than
    // kMaxTextLength; false without queueing when there is no voice.
    bool Speak(const QString& text);
    // Drops every waiting text; the text being spoken is spoken to its end.
    void ClearQueue();
    // For a program that has to end now (a session ending): drops every
    // waiting text, silences the text being spoken and takes no more; the
    // destructor then waits at most kSilencedWait for the speaking thread.
    void Silence();

    // False once it is known that no engine could be made.
    bool HasVoice() const;
    // Waits until no text waits and none is being spoken, at most `limit`;
    // true when the queue became idle.
    bool WaitUntilIdle(std::chrono::milliseconds limit);

    // How long one text may take: 2 s plus 300 ms a character, at most 60 s.
    // (A row of 43 characters gives 8.3 s of speech from espeak-ng: commas
    // pause, and a kana reading is longer than its kanji.)
    static std::chrono::milliseconds SpeakingBound(const QString& text);
    // Extra time the destructor gives an engine to stop after the bound.
    static constexpr std::chrono::milliseconds kStopGrace{1000};
    static constexpr std::chrono::milliseconds kSilencedWait{250};

private:
    struct Shared;
    static void Run(std::shared_ptr<Shared> shared, SpeechEngineFactory factory);

    std::shared_ptr<Shared> m_pShared;
};
