// The library on an emulated PN532 reader, with helpers for the usual calls.
#pragma once

#include "EmulatedReader.h"
#include "felica.h"
#include "library_control.h"

#include <cstring>

namespace test {

inline int lastError() {
    int e = -1;
    get_last_error_type(&e);
    return e;
}

// The usual library calls on the reader that is open, with the card's IDm
// and PMm from the last poll.
struct CardCalls {
    std::uint8_t idm[8] = {};
    std::uint8_t pmm[8] = {};
    bool poll(std::uint8_t hi = 0x00, std::uint8_t lo = 0x03) {
        std::uint8_t system[2] = {hi, lo};
        PollingRecord p{system, 0};
        CardRecord c{idm, pmm};
        std::uint8_t n = 0;
        return polling_and_get_card_information(&p, &n, &c) && n == 1;
    }
    // Blocks first..first+count-1 of `service` into `data`.
    bool read(std::uint16_t service, int first, int count, std::uint8_t* data) {
        std::uint8_t code[2] = {static_cast<std::uint8_t>(service), static_cast<std::uint8_t>(service >> 8)};
        std::vector<std::uint8_t> list;
        for (int i = 0; i < count; ++i) {
            list.push_back(0x80);
            list.push_back(static_cast<std::uint8_t>(first + i));
        }
        ReadBlockRecord r{idm, 1, code, static_cast<std::uint8_t>(count), list.data()};
        std::uint8_t s1 = 0, s2 = 0, got = 0;
        ReadBlockResponse resp{&s1, &s2, &got, data};
        return read_block_without_encryption(&r, &resp) && got == count;
    }
};

struct NfcSession : CardCalls {
    EmulatedReader reader;
    LibrarySession library;

    explicit NfcSession(felica::CardImage card = sampleCard()) : reader(std::move(card)), library(reader.name()) {
        felica::resetCounters();
        set_retry_count(2);
    }
    pn532::Emulator& emu() { return reader.emu; }
};

// Whether `data` holds blocks first..first+count-1 of service `code` of
// the card's first system.
inline bool sameBlocks(const std::uint8_t* data, const felica::CardImage& card, std::uint16_t code, int first,
                       int count) {
    const felica::ServiceImage* s = card.systems.at(0).findService(code);
    if (!s || static_cast<std::size_t>(first + count) > s->blocks.size()) return false;
    for (int i = 0; i < count; ++i)
        if (std::memcmp(data + 16 * i, s->blocks[first + i].data(), 16) != 0) return false;
    return true;
}

}  // namespace test
