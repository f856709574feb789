#include "read_idm.h"

#include "felica.h"

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

}  // namespace felica
