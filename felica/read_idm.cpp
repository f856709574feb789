#include "read_idm.h"

#include "felica.h"

#include <algorithm>
#include <thread>

namespace felica {

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

void PlacementWatch::settle() {
    Idm found{};
    if (readCardIdm(found) == IdmRead::Ok) current_ = found;
    else current_.reset();
}

PlacementWatch::Result PlacementWatch::waitForNewCard(Idm& idm, std::chrono::milliseconds timeout,
                                                     const std::atomic<bool>* stop) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        if (stop && *stop) return Result::Stopped;
        Idm found{};
        switch (readCardIdm(found)) {
        case IdmRead::NoReader: return Result::NoReader;
        case IdmRead::NoCard: current_.reset(); break;
        case IdmRead::Ok:
            if (!current_ || *current_ != found) {
                current_ = found;
                idm = found;
                return Result::Card;
            }
            break;
        }
        const auto now = Clock::now();
        if (timeout.count() >= 0 && now >= deadline) return Result::TimedOut;
        auto next = now + interval_;
        if (timeout.count() >= 0) next = std::min(next, deadline);
        // Sleeps in short steps so that a stop request is seen soon.
        while (Clock::now() < next && !(stop && *stop))
            std::this_thread::sleep_for(std::min<Clock::duration>(std::chrono::milliseconds(20), next - Clock::now()));
    }
}

}  // namespace felica
