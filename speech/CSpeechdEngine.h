// The desktop's voice: Qt TextToSpeech with its speech-dispatcher engine,
// made and used on the speaking thread, which runs its own event loop while
// a text is spoken. A Japanese voice is chosen where there is one. A voice
// that cannot read kanji gets the kana reading of each text.
#pragma once

#include "CKanaReading.h"
#include "ISpeechEngine.h"

#include <atomic>
#include <memory>

class QEventLoop;
class QTextToSpeech;
class QVoice;

class CSpeechdEngine : public ISpeechEngine {
public:
    // Null when the engine is not installed or no speech server answers.
    static std::unique_ptr<CSpeechdEngine> Create();
    ~CSpeechdEngine() override;

    void Speak(const QString& text, Clock::time_point deadline) override;
    void Interrupt() override;
    // The text as handed to the voice.
    QString VoiceText(const QString& text);
    bool UsesKanaReading() const { return m_pReading != nullptr; }
    QVoice Voice() const;

    // Whether a voice reads kanji itself. The espeak-ng voices (the only
    // Japanese ones Debian ships) read kana only, and so does any voice that
    // is not Japanese.
    static bool VoiceReadsKanji(const QVoice& voice);

private:
    explicit CSpeechdEngine(std::unique_ptr<QTextToSpeech> speech);

    std::unique_ptr<QTextToSpeech> m_pSpeech;
    std::unique_ptr<CKanaReading> m_pReading;
    // Speak's event loop while it runs (touched on the speaking thread only).
    QEventLoop* m_pLoop = nullptr;
    std::atomic<bool> m_bInterrupted{false};
};

// Makes a CSpeechdEngine on the speaking thread.
SpeechEngineFactory SpeechdEngineFactory();
