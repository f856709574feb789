#include "read_idm.h"

#include "felica.h"
#include "library_control.h"
#include "pcsc_transport.h"
#include "reader_directory.h"

#include <algorithm>

namespace felica {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// A reader that failed is tried again after these waits, each twice the last.
constexpr milliseconds kFirstBackoff{250};
constexpr milliseconds kLastBackoff{2000};
// pcscd tells of readers plugged in; this only bounds a wait that began
// just as one came.
constexpr milliseconds kReaderListWait{10000};

}  // namespace

IdmRead readCardIdm(Idm& idm) {
    if (!open_reader_writer_auto()) return IdmRead::NoReader;
    std::uint8_t anyCard[2] = {0xFF, 0xFF};
    PollingRecord polling{anyCard, 0};
    Idm found{};
    Pmm pmm{};
    CardRecord card{found.data(), pmm.data()};
    std::uint8_t count = 0;
    const bool answered = polling_and_get_card_information(&polling, &count, &card) && count > 0;
    // Closed whether or not a card answered; a failing close does not undo
    // a poll that has already answered.
    close_reader_writer();
    if (!answered) return IdmRead::NoCard;
    idm = found;
    return IdmRead::Ok;
}

IdmRead PlacementWatch::look(Idm& card) {
    const IdmRead r = readCardIdm(card);
    seenCount_ = lastCardSeen().count;  // its own finds are no news to it
    return r;
}

bool PlacementWatch::pcscReader(std::string& name) const {
    const std::string reader = readerName();
    if (reader == "pcsc" || reader.rfind("pcsc:", 0) == 0) {
        name = reader.size() > 5 ? reader.substr(5) : std::string();
        return true;
    }
    if (reader != "auto") return false;
    // "auto" takes a PC/SC reader of a FeliCa route first, unless it has
    // settled on another route already.
    const std::string chosen = autoReaderChosen();
    if (!chosen.empty()) {
        if (chosen.rfind("pcsc:", 0) != 0) return false;
        name = chosen.substr(5);
        return true;
    }
    std::string error;
    for (const pcsc::ReaderEntry& r : pcsc::listReaders(error)) {
        if (!pcsc::routeForName(r.selector.substr(5))) continue;
        name = r.selector.substr(5);
        return true;
    }
    return false;
}

void PlacementWatch::wake() {
    {
        std::lock_guard hold(sleepMutex_);
        woken_ = true;
    }
    sleepWake_.notify_all();
    cardWait_.cancel();
}

bool PlacementWatch::sleepUntil(Clock::time_point until, const std::atomic<bool>* stop) {
    std::unique_lock lock(sleepMutex_);
    sleepWake_.wait_until(lock, until, [&] { return woken_ || (stop && *stop); });
    woken_ = false;
    return !(stop && *stop);
}

void PlacementWatch::forget() {
    current_.reset();
    pcscHandled_.reset();
}

void PlacementWatch::settle() {
    seenCount_ = lastCardSeen().count;
    std::string name;
    if (pcscReader(name)) {
        std::string error;
        pcscSeen_ = 0;
        const bool present = cardWait_.waitForChange(name, pcscSeen_, milliseconds(0), pcscName_, error) ==
                                 pcsc::CardWait::Event::Changed &&
                             pcsc::CardWait::cardPresent(pcscSeen_);
        if (present) pcscHandled_ = pcsc::CardWait::eventCount(pcscSeen_);
        else pcscHandled_.reset();
        if (!present) {
            current_.reset();
            return;
        }
    }
    Idm found{};
    if (look(found) == IdmRead::Ok) current_ = found;
    else current_.reset();
    nextLook_ = Clock::now() + interval_;
}

std::optional<PlacementWatch::Result> PlacementWatch::noReader(std::string why, Missing wait) {
    const bool first = missing_ == Missing::No;
    missing_ = wait;
    if (!first) return std::nullopt;  // said once; the wait goes on trying
    backoff_ = kFirstBackoff;
    reason_ = std::move(why);
    current_.reset();
    pcscHandled_.reset();
    return Result::NoReader;
}

std::optional<PlacementWatch::Result> PlacementWatch::found(const Idm& card, Idm& idm) {
    missing_ = Missing::No;
    if (current_ && *current_ == card) return std::nullopt;
    current_ = card;
    idm = card;
    return Result::Card;
}

std::optional<PlacementWatch::Result> PlacementWatch::pollStep(Idm& idm, Clock::time_point deadline, bool timed,
                                                              const std::atomic<bool>* stop) {
    const Clock::time_point until = timed ? std::min(nextLook_, deadline) : nextLook_;
    if (Clock::now() < until && !sleepUntil(until, stop)) return Result::Stopped;
    if (Clock::now() < nextLook_) {
        // Woken before the next look: by the deadline, or to see `stop`.
        if (timed && Clock::now() >= deadline) return Result::TimedOut;
        return std::nullopt;
    }
    Idm card{};
    const IdmRead r = look(card);
    nextLook_ = Clock::now() + interval_;
    if (r == IdmRead::NoReader) {
        if (auto said = noReader(noCardReason(), Missing::Backoff)) return said;
    } else if (r == IdmRead::NoCard) {
        missing_ = Missing::No;
        current_.reset();
    } else if (auto report = found(card, idm)) {
        return report;
    }
    if (timed && Clock::now() >= deadline) return Result::TimedOut;
    return std::nullopt;
}

std::optional<PlacementWatch::Result> PlacementWatch::pcscStep(const std::string& name, Idm& idm,
                                                              Clock::time_point deadline, bool timed) {
    using Event = pcsc::CardWait::Event;
    if (pcsc::CardWait::cardPresent(pcscSeen_) && pcscHandled_ != pcsc::CardWait::eventCount(pcscSeen_)) {
        // A card has come: ask it for its IDm. One that does not answer
        // (not a FeliCa card) is left alone until it is lifted.
        Idm card{};
        const IdmRead r = look(card);
        if (r == IdmRead::NoReader) return noReader(noCardReason(), Missing::Backoff);
        pcscHandled_ = pcsc::CardWait::eventCount(pcscSeen_);
        if (r == IdmRead::Ok) return found(card, idm);
        missing_ = Missing::No;
        current_.reset();
        return std::nullopt;
    }
    milliseconds left(-1);
    if (timed)
        left = std::max(milliseconds(0), std::chrono::ceil<milliseconds>(deadline - Clock::now()));
    std::string error;
    switch (cardWait_.waitForChange(name, pcscSeen_, left, pcscName_, error)) {
    case Event::Changed:
        missing_ = Missing::No;
        if (!pcsc::CardWait::cardPresent(pcscSeen_)) {
            current_.reset();
            pcscHandled_.reset();
        }
        return std::nullopt;
    case Event::TimedOut: return Result::TimedOut;
    case Event::Cancelled: return std::nullopt;
    case Event::NoReader: break;
    }
    return noReader("the reader/writer could not be opened: " + error, Missing::ReaderList);
}

PlacementWatch::Result PlacementWatch::waitForNewCard(Idm& idm, milliseconds timeout, const std::atomic<bool>* stop) {
    const bool timed = timeout.count() >= 0;
    const Clock::time_point deadline = Clock::now() + (timed ? timeout : milliseconds(0));
    // A card the program found meanwhile (a Read of the window) was read.
    if (const CardSeen seen = lastCardSeen(); seen.count != seenCount_) {
        seenCount_ = seen.count;
        current_ = seen.idm;
    }
    std::string name;
    bool routeKnown = false, viaPcsc = false;
    for (;;) {
        if (stop && *stop) return Result::Stopped;
        if (missing_ != Missing::No) {
            // The reader is away: wait for pcscd to list readers anew, or a
            // while, then look again (on whatever route "auto" finds now).
            const Clock::time_point now = Clock::now();
            if (timed && now >= deadline) return Result::TimedOut;
            if (missing_ == Missing::ReaderList) {
                const milliseconds left =
                    timed ? std::chrono::ceil<milliseconds>(deadline - now) : kReaderListWait;
                if (cardWait_.waitForReaders(std::min(left, kReaderListWait)) == pcsc::CardWait::Event::NoReader)
                    missing_ = Missing::Backoff;  // pcscd itself is away
                // Other readers coming and going look no more often than this.
                if (!sleepUntil(timed ? std::min(now + kFirstBackoff, deadline) : now + kFirstBackoff, stop))
                    return Result::Stopped;
            } else {
                if (!sleepUntil(timed ? std::min(now + backoff_, deadline) : now + backoff_, stop))
                    return Result::Stopped;
                backoff_ = std::min(backoff_ * 2, kLastBackoff);
            }
            if (stop && *stop) return Result::Stopped;
            routeKnown = false;
        }
        if (!routeKnown) {
            viaPcsc = pcscReader(name);
            routeKnown = true;
        }
        if (auto r = viaPcsc ? pcscStep(name, idm, deadline, timed) : pollStep(idm, deadline, timed, stop)) return *r;
    }
}

}  // namespace felica
