// The IDm of whatever card lies on the reader: open the reader, poll for any
// system (FF FF, time slot 0), close the reader again in every case.
// Plain C++, no Qt. The library must be initialised.
#pragma once

#include "frames.h"
#include "pcsc_wait.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>

namespace felica {

enum class IdmRead { Ok, NoReader, NoCard };

IdmRead readCardIdm(Idm& idm);

// Watches the reader for cards being placed: each card is reported once per
// placement (it is reported again only after it was lifted, or when another
// card took its place). A PC/SC reader says itself when a card comes, and
// the watch waits for that without a sound; other readers are polled every
// `interval`, the device kept open in between.
class PlacementWatch {
public:
    enum class Result { Card, TimedOut, Stopped, NoReader };
    // 50 ms: a card placed is seen 25 ms later in the median, while a
    // libnfc or USB reader polled this often costs well under 1 % of a core
    // (docs/readers.md has the figures).
    static constexpr std::chrono::milliseconds kPollInterval{50};
    explicit PlacementWatch(std::chrono::milliseconds interval = kPollInterval) : interval_(interval) {}
    PlacementWatch(const PlacementWatch&) = delete;
    PlacementWatch& operator=(const PlacementWatch&) = delete;

    // Waits until a card not yet reported lies on the reader (its IDm lands
    // in `idm`), the time is up (a negative timeout waits for ever), `stop`
    // turns true, or the reader cannot be opened. NoReader comes once when
    // the reader fails (reason() says why); the next wait goes on trying,
    // with a short backoff, until the reader is back.
    Result waitForNewCard(Idm& idm, std::chrono::milliseconds timeout, const std::atomic<bool>* stop = nullptr);
    // Makes the wait in progress, or the next one, look at `stop` at once.
    // May be called from any thread.
    void wake();
    // Why the reader could not be opened, after NoReader ("the reader/writer
    // could not be opened: ...").
    std::string reason() const { return reason_; }
    // Forgets the card of the current placement: it is reported again.
    void forget();
    // Takes the card lying on the reader now (if any) as already reported.
    void settle();

private:
    enum class Missing { No, Backoff, ReaderList };
    // One poll of the watch's own.
    IdmRead look(Idm& card);
    bool pcscReader(std::string& name) const;
    // Sleeps until `until`, `stop` or wake(); false when stopped.
    bool sleepUntil(std::chrono::steady_clock::time_point until, const std::atomic<bool>* stop);
    // NoReader the first time the reader is missing, nothing after that.
    std::optional<Result> noReader(std::string why, Missing wait);
    std::optional<Result> pollStep(Idm& idm, std::chrono::steady_clock::time_point deadline, bool timed,
                                   const std::atomic<bool>* stop);
    std::optional<Result> pcscStep(const std::string& name, Idm& idm, std::chrono::steady_clock::time_point deadline,
                                   bool timed);
    std::optional<Result> found(const Idm& card, Idm& idm);

    std::chrono::milliseconds interval_;
    std::optional<Idm> current_;
    std::uint64_t seenCount_ = 0;  // felica::lastCardSeen().count after the last look
    std::chrono::steady_clock::time_point nextLook_{};
    Missing missing_ = Missing::No;
    std::chrono::milliseconds backoff_{0};
    std::string reason_;
    // PC/SC: the reader's state as last seen, and pcscd's count of the
    // placement whose card has been dealt with.
    pcsc::CardWait cardWait_;
    std::string pcscName_;
    std::uint32_t pcscSeen_ = 0;
    std::optional<std::uint16_t> pcscHandled_;

    std::mutex sleepMutex_;
    std::condition_variable sleepWake_;
    bool woken_ = false;
};

}  // namespace felica
