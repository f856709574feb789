#include "pcsc_card_emulator.h"
#include "pcsc_transport.h"

namespace vicc {
namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes kOk = {0x90, 0x00};
const Bytes kStatusOk = {0xC0, 0x03, 0x00, 0x90, 0x00};

Bytes cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

}  // namespace

bool parseFault(const std::string& name, Fault& out) {
    if (name == "none") out = Fault::None;
    else if (name == "truncated") out = Fault::Truncated;
    else if (name == "no-reply-do") out = Fault::NoReplyDo;
    else if (name == "no-status") out = Fault::NoStatus;
    else if (name == "bad-status") out = Fault::BadStatus;
    else if (name == "hang") out = Fault::Hang;
    else if (name == "no-session") out = Fault::NoSession;
    else return false;
    return true;
}

Bytes CardEmulator::atr() const {
    if (kind_ == Kind::Pn53x)
        return {0x3B, 0x8F, 0x80, 0x01, 0x80, 0x4F, 0x0C, 0xA0, 0x00, 0x00,
                0x03, 0x06, 0x03, 0xF0, 0x11, 0x00, 0x00, 0x00, 0x00, 0x8A};
    return {0x3B, 0x8F, 0x80, 0x01, 0x80, 0x4F, 0x0C, 0xA0, 0x00, 0x00,
            0x03, 0x06, 0x11, 0x00, 0x3B, 0x00, 0x00, 0x00, 0x00, 0x42};
}

Bytes CardEmulator::respond(std::span<const std::uint8_t> apdu) {
    if (apdu.size() < 4 || apdu[0] != 0xFF) return {0x6E, 0x00};
    // GET DATA: the IDm the reader found when the card arrived.
    if (apdu[1] == 0xCA && apdu[2] == 0x00) {
        const auto& idm = card_.image().idm;
        return cat(Bytes(idm.begin(), idm.end()), kOk);
    }
    return kind_ == Kind::Pn53x ? pn53x(apdu) : transparent(apdu);
}

Bytes CardEmulator::garbled(Bytes r) const {
    switch (fault_) {
    case Fault::None: return cat(r, kOk);
    case Fault::Truncated: r.resize(r.size() > 6 ? r.size() - 4 : 3); return cat(r, kOk);
    case Fault::NoStatus: return {r.empty() ? std::uint8_t{0} : r[0]};
    case Fault::BadStatus: return cat(r, {0x6F, 0x00});
    case Fault::Hang: return {};
    case Fault::NoSession: return cat(r, kOk);
    case Fault::NoReplyDo: return cat(Bytes(r.begin(), r.begin() + std::min<std::size_t>(r.size(), 2)), kOk);
    }
    return r;
}

Bytes CardEmulator::pn53x(std::span<const std::uint8_t> apdu) {
    // Firmware version: ASCII alone, no status word.
    if (apdu[1] == 0x00 && apdu[2] == 0x48) return {'A', 'C', 'R', '1', '2', '2', 'U', '2', '0', '7'};
    if (apdu[1] != 0x00 || apdu.size() < 7 || apdu[4] != apdu.size() - 5 || apdu[5] != 0xD4) return {0x6A, 0x81};
    const auto chip = apdu.subspan(5);
    switch (chip[1]) {
    case 0x32:  // RFConfiguration
        return {0xD5, 0x33, 0x90, 0x00};
    case 0x4A: {  // InListPassiveTarget: MaxTg BrTy, then the polling body
        if (chip.size() != 9) return {0xD5, 0x7F, 0x90, 0x00};
        Bytes frame = {6};
        frame.insert(frame.end(), chip.begin() + 4, chip.end());
        const auto answer = card_.answer(frame);
        if (!answer) return {0xD5, 0x4B, 0x00, 0x90, 0x00};
        return garbled(cat({0xD5, 0x4B, 0x01, 0x01}, *answer));
    }
    case 0x42: {  // InCommunicateThru: the frame with its LEN
        const auto answer = card_.answer(chip.subspan(2));
        if (!answer) return {0xD5, 0x43, 0x01, 0x90, 0x00};
        return garbled(cat({0xD5, 0x43, 0x00}, *answer));
    }
    default: return {0xD5, 0x7F, 0x90, 0x00};  // syntax error
    }
}

Bytes CardEmulator::transparent(std::span<const std::uint8_t> apdu) {
    if (apdu[1] != 0xC2 || apdu[2] != 0x00 || apdu.size() < 5 || apdu[4] > apdu.size() - 5) return {0x6A, 0x81};
    const auto data = apdu.subspan(5, apdu[4]);
    if (apdu[3] == 0x00 || apdu[3] == 0x02) {  // session, switch protocol
        if (fault_ == Fault::NoSession) return {0x6A, 0x81};
        return cat(kStatusOk, kOk);
    }
    if (apdu[3] != 0x01) return {0x6A, 0x81};
    // Data objects 5F 46 (timer) and 95 (the frame).
    std::vector<felica::pcsc::DataObject> objects;
    if (!felica::pcsc::parseDataObjects(data, objects)) return cat({0xC0, 0x03, 0x01, 0x67, 0x00}, kOk);
    std::span<const std::uint8_t> frame;
    for (const auto& o : objects)
        if (o.tag == 0x95) frame = o.value;
    const auto answer = card_.answer(frame);
    if (!answer) return cat({0xC0, 0x03, 0x01, 0x64, 0x01}, kOk);
    Bytes r = cat(kStatusOk, {0x92, 0x01, 0x00, 0x96, 0x02, 0x00, 0x00});
    if (fault_ == Fault::NoReplyDo) return cat(r, kOk);
    r.push_back(0x97);
    if (answer->size() > 0x7F) r.push_back(0x81);
    r.push_back(static_cast<std::uint8_t>(answer->size()));
    r = cat(r, *answer);
    if (fault_ == Fault::Truncated) {
        r.resize(r.size() - 3);
        return cat(r, kOk);
    }
    return garbled(r);
}

}  // namespace vicc
