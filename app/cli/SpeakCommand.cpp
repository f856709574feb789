// kuvora-cli speak: the Read command, then the card's rows spoken by the
// desktop's voice.
#include "CKanaReading.h"
#include "CKuvoraDoc.h"
#include "CSpeechdEngine.h"
#include "CliCommands.h"
#include "MessageSink.h"
#include "SpokenText.h"
#include "standard_output.h"

#include <cstdio>

namespace {

// Time for the speech server to start, beyond each text's own bound.
constexpr std::chrono::milliseconds kServerStart{20000};

class CountingMessageSink : public MessageSink {
public:
    void showMessage(const QString& text) override {
        ++count;
        StderrMessageSink().showMessage(text);
    }
    int count = 0;
};

}  // namespace

int RunSpeak(const CliOptions& options) {
    bool fixedMode = false;
    int mode = 0;
    if (!ParseModeOption(options, fixedMode, mode)) return ExitUsage;
    LibraryHold hold;
    if (!PrepareReader(options)) return ExitUsage;
    CountingMessageSink sink;
    ScopedMessageSink installed(&sink);
    // A dry run has no voice, so a read that speaks by itself stays silent.
    CKuvoraDoc doc(options.dryRun ? SpeechEngineFactory() : SpeechdEngineFactory());
    doc.OnNewDocument();
    if (fixedMode) doc.m_nMode = mode;  // this run only; the stored mode stays
    doc.OnCardRead();
    if (!doc.m_bCardRead) {
        ReportNoCard();
        return ExitMessage;
    }

    if (options.dryRun) {
        CKanaReading reading;
        QString lines;
        for (int row : CardRecordRows(doc)) {
            const QString text = SpokenHistoryText(doc.m_History, row);
            lines += text + QLatin1Char('\t') + reading.Reading(text) + QLatin1Char('\n');
        }
        const QByteArray bytes = lines.toUtf8();
        const bool written = platform::writeStandardOutput(std::string_view(bytes.constData(), bytes.size()));
        return written && sink.count == 0 ? ExitOk : ExitMessage;
    }

    // A read with "AllWaysHistoryRead" on has queued the rows already.
    if (!doc.m_bAlwaysHistoryRead) doc.ReadHistoryAloud();
    std::chrono::milliseconds limit = kServerStart;
    for (int row : CardRecordRows(doc))
        limit += CSpeechQueue::SpeakingBound(SpokenHistoryText(doc.m_History, row));
    const bool idle = doc.m_Speaker.WaitUntilIdle(limit);
    if (!doc.m_Speaker.HasVoice()) {
        std::fprintf(stderr, "kuvora-cli: no speech engine answered; nothing was spoken\n");
        return ExitMessage;
    }
    if (!idle) {
        std::fprintf(stderr, "kuvora-cli: the voice did not finish in time\n");
        return ExitMessage;
    }
    return sink.count == 0 ? ExitOk : ExitMessage;
}
