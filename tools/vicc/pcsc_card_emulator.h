// A FeliCa reader as a PC/SC card answers it: the pseudo-APDUs of a PN53x
// reader (ACR122U direct transmit) or of a transparent-exchange reader
// (FF C2), carried to a virtual card. Used by the vICC program behind vpcd
// and by the tests' stand-in for the reader's escape channel.
#pragma once

#include "virtual_card.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vicc {

enum class Kind { Pn53x, Transparent };

// Ways the reader garbles its answers to frame exchanges and polls.
enum class Fault {
    None,
    Truncated,   // a length that runs past the end of the answer
    NoReplyDo,   // the card's reply object left out (transparent) / the chip's answer cut to D5 4x
    NoStatus,    // one byte, no status word
    BadStatus,   // status word 6F 00
    Hang,        // no answer at all: the R-APDU is empty and the vICC stays silent
    NoSession,   // session commands are refused (6A 81), as by firmware that takes them as escapes only
};
bool parseFault(const std::string& name, Fault& out);

class CardEmulator {
public:
    CardEmulator(Kind kind, felica::CardImage image) : kind_(kind), card_(std::move(image)) {}
    void setFault(Fault f) { fault_ = f; }
    // The ATR of a FeliCa card as a storage card.
    std::vector<std::uint8_t> atr() const;
    // The R-APDU for one APDU (empty: say nothing).
    std::vector<std::uint8_t> respond(std::span<const std::uint8_t> apdu);

private:
    std::vector<std::uint8_t> pn53x(std::span<const std::uint8_t> apdu);
    std::vector<std::uint8_t> transparent(std::span<const std::uint8_t> apdu);
    std::vector<std::uint8_t> garbled(std::vector<std::uint8_t> r) const;

    Kind kind_;
    felica::VirtualCard card_;
    Fault fault_ = Fault::None;
};

}  // namespace vicc
