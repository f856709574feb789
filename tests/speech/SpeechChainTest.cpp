// The real voice, once: a private speech-dispatcher with the espeak-ng module
// writes through ALSA's file plugin into a WAV file; two rows of the sample
// Suica card are spoken through the document's speech queue.
#include "CKuvoraDoc.h"
#include "CKanaReading.h"
#include "CSpeechdEngine.h"
#include "SpokenText.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <QVoice>

#include <gtest/gtest.h>

#include <cmath>

using namespace std::chrono_literals;

// libspeechd splits the server's list of voices (thousands of lines) with
// strstr over the rest of the reply each time; with AddressSanitizer's checked
// strstr that takes minutes, so the sanitizer builds use the plain one here.
extern "C" const char* __asan_default_options() { return "intercept_strstr=0"; }
// The speech-dispatcher engine of Qt TextToSpeech keeps the lists libspeechd
// hands it.
extern "C" const char* __lsan_default_suppressions() { return "leak:libspeechd.so\n"; }

namespace {

// speech-dispatcher in its own folder, with its own configuration, sound
// going to `wav`; stopped by its process id.
class PrivateSpeechServer {
public:
    PrivateSpeechServer() {
        const QString t = dir_.path();
        QDir().mkpath(t + "/config");
        QDir().mkpath(t + "/run");
        QDir().mkpath(t + "/log");
        if (QProcess::execute("cp", {"-r", "/etc/speech-dispatcher", t + "/config/"}) != 0) return;
        const QString conf = t + "/config/speech-dispatcher/speechd.conf";
        QFile f(conf);
        if (!f.open(QIODevice::ReadOnly)) return;
        QString text = QString::fromUtf8(f.readAll());
        f.close();
        text.remove(QRegularExpression("^\\s*(AudioOutputMethod|AudioALSADevice)\\b[^\\n]*\\n?",
                                       QRegularExpression::MultilineOption));
        text += "\nAudioOutputMethod \"alsa\"\nAudioALSADevice \"kuvfile\"\n";
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return;
        f.write(text.toUtf8());
        f.close();
        QFile asound(t + "/.asoundrc");
        if (!asound.open(QIODevice::WriteOnly)) return;
        asound.write(QStringLiteral("pcm.kuvfile { type file; slave.pcm \"null\"; file \"%1\"; format \"wav\" }\n")
                         .arg(wav())
                         .toUtf8());
        asound.close();

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", t);
        env.insert("XDG_CONFIG_HOME", t + "/config");
        env.insert("XDG_RUNTIME_DIR", t + "/run");
        server_.setProcessEnvironment(env);
        server_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        server_.setStandardOutputFile(t + "/log/stdout");
        server_.start("speech-dispatcher", {"-s", "-t", "0", "-c", "unix_socket", "-S", socket(), "-C",
                                            t + "/config/speech-dispatcher", "-L", t + "/log"});
        if (!server_.waitForStarted(10000)) return;
        for (int i = 0; i < 200 && !QFile::exists(socket()); ++i) QThread::msleep(50);
        // Give the modules a moment after the socket appears.
        QThread::msleep(500);
        started_ = QFile::exists(socket());
    }
    ~PrivateSpeechServer() {
        if (server_.processId() <= 0) return;
        server_.terminate();  // SIGTERM to its process id
        if (!server_.waitForFinished(5000)) {
            server_.kill();
            server_.waitForFinished(5000);
        }
    }
    bool started() const { return started_; }
    QString socket() const { return dir_.path() + "/run/sd.sock"; }
    QString wav() const { return dir_.path() + "/spoken.wav"; }
    // The size of the WAV file once it has stopped growing.
    qint64 settledWavSize() const {
        qint64 last = -1;
        for (int i = 0; i < 100; ++i) {
            const qint64 size = QFileInfo(wav()).size();
            if (size == last) return size;
            last = size;
            QThread::msleep(200);
        }
        return last;
    }

private:
    QTemporaryDir dir_;
    QProcess server_;
    bool started_ = false;
};

// RMS amplitude (full scale 1.0) of the 16-bit samples after `from` bytes.
double rmsAmplitude(const QByteArray& wav, qint64 from) {
    double sum = 0;
    qint64 n = 0;
    for (qint64 i = from; i + 1 < wav.size(); i += 2, ++n) {
        const auto s = static_cast<std::int16_t>(static_cast<std::uint8_t>(wav[i]) |
                                                 (static_cast<std::uint8_t>(wav[i + 1]) << 8));
        sum += double(s) * s;
    }
    return n ? std::sqrt(sum / n) / 32768.0 : 0.0;
}

}  // namespace

TEST(SpeechChain, TwoRowsOfTheSampleCardAreSpokenIntoTheWavFile) {
    int argc = 1;
    char name[] = "speech_chain_tests";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);

    test::IsolatedHome home;
    PrivateSpeechServer server;
    ASSERT_TRUE(server.started()) << "speech-dispatcher did not start";
    qputenv("SPEECHD_ADDRESS", ("unix_socket:" + server.socket()).toUtf8());

    RecordingMessageSink messages;
    ScopedMessageSink sink(&messages);
    test::LibrarySession session("image:" + test::sourcePath("data/cards/suica-sample.json"));
    test::importSampleNames();
    auto owned = std::make_unique<CKuvoraDoc>(SpeechdEngineFactory());
    CKuvoraDoc& doc = *owned;
    doc.OnNewDocument();
    doc.m_nMode = 1;
    doc.OnCardRead();
    ASSERT_EQ(doc.m_nCardRows, 20);

    // One row, then two: the second time adds more sound.
    ASSERT_TRUE(doc.m_Speaker.Speak(SpokenHistoryText(doc.m_History, 0)));
    ASSERT_TRUE(doc.m_Speaker.WaitUntilIdle(90s));
    ASSERT_TRUE(doc.m_Speaker.HasVoice());
    const qint64 afterOne = server.settledWavSize();
    doc.m_Speaker.Speak(SpokenHistoryText(doc.m_History, 0));
    doc.m_Speaker.Speak(SpokenHistoryText(doc.m_History, 1));
    ASSERT_TRUE(doc.m_Speaker.WaitUntilIdle(60s));
    const qint64 afterThree = server.settledWavSize();

    // The voice is Japanese and gets kana only.
    auto engine = CSpeechdEngine::Create();
    ASSERT_TRUE(engine);
    EXPECT_EQ(engine->Voice().locale().language(), QLocale::Japanese) << engine->Voice().name().toStdString();
    EXPECT_TRUE(engine->UsesKanaReading());
    EXPECT_FALSE(CKanaReading::HasKanji(engine->VoiceText(SpokenHistoryText(doc.m_History, 0))));
    engine.reset();

    // Ending while a row is spoken waits no longer than that row's bound.
    const QString first = SpokenHistoryText(doc.m_History, 0);
    for (int row = 0; row < 20; ++row) doc.m_Speaker.Speak(SpokenHistoryText(doc.m_History, row));
    for (int i = 0; i < 300 && QFileInfo(server.wav()).size() <= afterThree; ++i) QThread::msleep(50);
    const auto t = std::chrono::steady_clock::now();
    owned.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - t, CSpeechQueue::SpeakingBound(first) + CSpeechQueue::kStopGrace);
    qunsetenv("SPEECHD_ADDRESS");

    ASSERT_GT(afterOne, 44 + 22050);  // header and at least half a second
    const qint64 one = afterOne - 44, two = afterThree - afterOne;
    EXPECT_GT(two, one * 3 / 2) << one << " bytes for one row, " << two << " for two";

    QFile f(server.wav());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray wav = f.readAll();
    ASSERT_EQ(wav.left(4), "RIFF");
    ASSERT_EQ(wav.mid(36, 4), "data");
    EXPECT_EQ(static_cast<int>(wav[34]), 16);  // bits per sample
    EXPECT_GT(rmsAmplitude(wav, 44), 0.01);
}
