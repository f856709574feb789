// kuvora-cli capture: walks the card on the reader into a card image file.
#include "CliCommands.h"

#include "MessageSink.h"
#include "capture.h"

#include <cstdio>

namespace {

constexpr int kMsgReaderNotFound = 1028;
constexpr int kMsgReadFailed = 1040;
constexpr int kMsgNoCard = 1101;

}  // namespace

int RunCapture(const CliOptions& options) {
    const std::string output = options.output.toStdString();
    LibraryHold hold;
    if (!PrepareReader(options)) return ExitUsage;
    const auto result = felica::captureCard([](const felica::CaptureProgress& p) {
        std::fprintf(stderr, "capture: %s\n", p.message.c_str());
    });
    if (!result.ok()) {
        using Outcome = felica::CaptureResult::Outcome;
        if (result.outcome == Outcome::NoReader || result.outcome == Outcome::NoCard) ReportNoCard();
        else std::fprintf(stderr, "capture: %s\n", result.error.c_str());
        std::fprintf(stderr, "capture: nothing was written to %s\n", output.c_str());
        switch (result.outcome) {
        case Outcome::NoReader: ShowMessage(kMsgReaderNotFound); break;
        case Outcome::NoCard: ShowMessage(kMsgNoCard); break;
        default: ShowMessage(kMsgReadFailed); break;
        }
        return ExitMessage;
    }
    std::string why;
    if (!result.image.save(output, why)) {
        std::fprintf(stderr, "kuvora-cli: %s\n", why.c_str());
        return ExitMessage;
    }
    std::fprintf(stderr, "capture: wrote %s\n", output.c_str());
    return ExitOk;
}
