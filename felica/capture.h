// Capture of a card into a card image: walks every system, area and service
// the card lists, their key versions, and every block that can be read
// without a key, through the FeliCa library's functions (so it works on any
// reader, the virtual one included). The image it builds answers the same as
// the card did.
//
// The library must be initialised and the reader chosen; the capture opens
// and closes the reader itself.
#pragma once

#include "card_image.h"

#include <atomic>
#include <cstddef>
#include <functional>
#include <string>

namespace felica {

struct CaptureProgress {
    std::string message;         // one line for a person, e.g. "service 090F: 20 blocks"
    std::size_t servicesDone = 0;
    std::size_t servicesKnown = 0;  // grows as each system is searched
};
using CaptureProgressFn = std::function<void(const CaptureProgress&)>;

struct CaptureResult {
    enum class Outcome {
        Captured,
        NoReader,   // the reader could not be opened
        NoCard,     // no card answered the first poll
        CardLost,   // the card stopped answering during the walk (lifted)
        Cancelled,
        Failed,     // the reader failed, or the card answered nonsense
    };
    Outcome outcome = Outcome::Failed;
    CardImage image;     // only with Captured
    std::string error;   // why not, for a person
    bool ok() const { return outcome == Outcome::Captured; }
};

// Services with more blocks than this are captured up to it: the library's
// block list has one byte for the block number.
constexpr std::size_t kMaxCapturedBlocks = 256;

// `cancel`, when given, is looked at between commands; `progress` may be
// empty.
CaptureResult captureCard(const CaptureProgressFn& progress, const std::atomic<bool>* cancel = nullptr);

}  // namespace felica
