#include "CSpeechdEngine.h"

#include <QEventLoop>
#include <QLocale>
#include <QTextToSpeech>
#include <QTimer>
#include <QVoice>

#include <algorithm>

namespace {

const QString kEngine = QStringLiteral("speechd");

// Whether a text has anything to say (a row of an empty table is commas).
bool hasWords(const QString& text) {
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.isLetterOrNumber(); });
}

}  // namespace

std::unique_ptr<CSpeechdEngine> CSpeechdEngine::Create() {
    if (!QTextToSpeech::availableEngines().contains(kEngine)) return nullptr;
    auto speech = std::make_unique<QTextToSpeech>(kEngine);
    if (speech->state() == QTextToSpeech::Error) return nullptr;
    return std::unique_ptr<CSpeechdEngine>(new CSpeechdEngine(std::move(speech)));
}

CSpeechdEngine::CSpeechdEngine(std::unique_ptr<QTextToSpeech> speech) : m_pSpeech(std::move(speech)) {
    const QLocale japanese(QLocale::Japanese, QLocale::Japan);
    m_pSpeech->setLocale(japanese);
    if (m_pSpeech->locale().language() == QLocale::Japanese) {
        const QList<QVoice> voices = m_pSpeech->availableVoices();
        // The plain voice first, then any other Japanese one.
        auto chosen = std::find_if(voices.begin(), voices.end(), [](const QVoice& v) {
            return v.locale().language() == QLocale::Japanese && !v.name().contains(QLatin1Char('+'));
        });
        if (chosen == voices.end())
            chosen = std::find_if(voices.begin(), voices.end(),
                                  [](const QVoice& v) { return v.locale().language() == QLocale::Japanese; });
        if (chosen != voices.end()) m_pSpeech->setVoice(*chosen);
    }
    if (!VoiceReadsKanji(m_pSpeech->voice())) m_pReading = std::make_unique<CKanaReading>();
}

CSpeechdEngine::~CSpeechdEngine() {
    if (m_pSpeech->state() == QTextToSpeech::Speaking) m_pSpeech->stop();
}

bool CSpeechdEngine::VoiceReadsKanji(const QVoice& voice) {
    if (voice.locale().language() != QLocale::Japanese) return false;
    const QString name = voice.name();
    const bool espeak = name == QLatin1String("Japanese") || name.startsWith(QLatin1String("Japanese+")) ||
                        name.startsWith(QLatin1String("mb-")) || name.contains(QLatin1String("espeak"), Qt::CaseInsensitive) ||
                        name.contains(QLatin1String("mbrola"), Qt::CaseInsensitive);
    return !espeak;
}

QVoice CSpeechdEngine::Voice() const { return m_pSpeech->voice(); }

QString CSpeechdEngine::VoiceText(const QString& text) {
    return m_pReading ? m_pReading->Reading(text) : text;
}

void CSpeechdEngine::Speak(const QString& text, Clock::time_point deadline) {
    const QString spoken = VoiceText(text);
    if (!hasWords(spoken) || m_bInterrupted) return;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return;

    // "Done" is Ready after Speaking; the states arrive through this
    // thread's event loop.
    QEventLoop loop;
    bool started = false;
    bool finished = false;
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(m_pSpeech.get(), &QTextToSpeech::stateChanged, &loop, [&](QTextToSpeech::State state) {
        if (state == QTextToSpeech::Speaking) {
            started = true;
        } else if ((state == QTextToSpeech::Ready && started) || state == QTextToSpeech::Error) {
            finished = true;
            loop.quit();
        }
    });
    limit.start(left);
    m_pSpeech->say(spoken);
    m_pLoop = &loop;
    // Interrupt() set the flag and posted its stop before the loop ran.
    if (!m_bInterrupted) loop.exec();
    m_pLoop = nullptr;
    // Past the deadline the voice is stopped, so the next text can go on.
    if (!finished) m_pSpeech->stop();
}

void CSpeechdEngine::Interrupt() {
    m_bInterrupted = true;
    // The voice lives on the speaking thread: stopped there, from its loop.
    QMetaObject::invokeMethod(
        m_pSpeech.get(),
        [this] {
            if (!m_pLoop) return;
            m_pSpeech->stop();
            m_pLoop->quit();
        },
        Qt::QueuedConnection);
}

SpeechEngineFactory SpeechdEngineFactory() {
    return []() -> std::unique_ptr<ISpeechEngine> { return CSpeechdEngine::Create(); };
}
