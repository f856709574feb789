// The IDm of whatever card lies on the reader: open the reader, poll for any
// system (FF FF, time slot 0), close the reader again in every case.
// Plain C++, no Qt. The library must be initialised.
#pragma once

#include "frames.h"

#include <atomic>
#include <chrono>
#include <optional>

namespace felica {

enum class IdmRead { Ok, NoReader, NoCard };

IdmRead readCardIdm(Idm& idm);

// Watches the reader for cards being placed: each card is reported once per
// placement (it is reported again only after it was lifted, or when another
// card took its place). Polls at a modest rate.
class PlacementWatch {
public:
    enum class Result { Card, TimedOut, Stopped, NoReader };
    explicit PlacementWatch(std::chrono::milliseconds interval = std::chrono::milliseconds(300))
        : interval_(interval) {}
    // Waits until a card not yet reported lies on the reader (its IDm lands
    // in `idm`), the time is up (a negative timeout waits for ever), `stop`
    // turns true, or the reader cannot be opened.
    Result waitForNewCard(Idm& idm, std::chrono::milliseconds timeout, const std::atomic<bool>* stop = nullptr);
    // Forgets the card of the current placement: it is reported again.
    void forget() { current_.reset(); }
    // Takes the card lying on the reader now (if any) as already reported.
    void settle();

private:
    std::chrono::milliseconds interval_;
    std::optional<Idm> current_;
};

}  // namespace felica
