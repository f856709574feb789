// Waiting for a card on a PC/SC reader the way pcscd offers it: pcscd tells
// when a card is placed or lifted, and when readers are plugged in or out
// ("\\?PnP?\Notification"), through SCardGetStatusChange, so nothing polls
// while no card is there; SCardCancel ends a wait from another thread.
// An empty reader is a reader waiting for a card, whether or not it takes
// escape commands. Plain C++, no Qt.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>

namespace felica::pcsc {

class CardWait {
public:
    enum class Event {
        Changed,    // the reader's state is another than the one seen
        TimedOut,
        Cancelled,  // cancel() ended the wait
        NoReader,   // pcscd does not run, lists no such reader, or it was unplugged
    };
    CardWait() = default;
    ~CardWait();
    CardWait(const CardWait&) = delete;
    CardWait& operator=(const CardWait&) = delete;

    // Waits until the reader `name` (empty: the first reader of a FeliCa
    // route, as the reader name "pcsc" takes it) is in another state than
    // `seen`; 0 (not known yet) returns at once. The new state lands in
    // `seen`, the reader's name in `reader`, and for NoReader the reason in
    // `error`. A negative timeout waits for ever.
    Event waitForChange(const std::string& name, std::uint32_t& seen, std::chrono::milliseconds timeout,
                        std::string& reader, std::string& error);
    // Waits until pcscd's list of readers changes.
    Event waitForReaders(std::chrono::milliseconds timeout);
    // Ends the wait in progress (Cancelled), from any thread; made while no
    // wait runs, it ends the next one at once.
    void cancel();

    // Whether a state holds a card, and pcscd's count of the card's
    // placements and removals on that reader.
    static bool cardPresent(std::uint32_t state);
    static std::uint16_t eventCount(std::uint32_t state) { return static_cast<std::uint16_t>(state >> 16); }

private:
    bool ready(std::string& error);
    void drop();
    long statusChange(void* states, unsigned long count, std::chrono::milliseconds timeout);

    std::mutex mutex_;
    std::condition_variable done_;
    bool waiting_ = false;
    bool cancelled_ = false;
    std::intptr_t context_ = 0;
};

}  // namespace felica::pcsc
