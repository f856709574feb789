#include "nfc_transport.h"
#include "frames.h"
#include "library_control.h"

#include <nfc/nfc.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace felica {
namespace {

// libnfc prints its own complaints on standard error, which would mix with
// the program's messages. It stays quiet unless the user asks for its log
// (LIBNFC_LOG_LEVEL=3 shows every byte on the wire).
void quietLibnfc() { ::setenv("LIBNFC_LOG_LEVEL", "0", 0); }

constexpr nfc_baud_rate kRates[2] = {NBR_212, NBR_424};

// How long the host waits beyond the chip's own response wait: the chip
// answers with a timeout status once its wait is over, and a full frame
// takes about 23 ms at 115200 baud.
constexpr int kHostMarginMs = 200;

// A chip that does not answer within the host's wait is wedged.
bool isRadioFailure(int code) { return code == NFC_ERFTRANS || code == NFC_ETGRELEASED; }

// Step c of the response wait lasts 100 us x 2^(c-1).
double chipWaitMs(std::uint8_t code) { return 0.1 * static_cast<double>(1u << (code - 1)); }

// The value for NP_TIMEOUT_COM that makes libnfc send step `code`: libnfc
// picks the step whose length is just below the number it is given.
int libnfcWaitValue(std::uint8_t code) { return (3280 >> (0x10 - code)) + 1; }

}  // namespace

std::unique_ptr<NfcTransport> NfcTransport::open(const std::string& connstring, std::string& error) {
    quietLibnfc();
    nfc_context* context = nullptr;
    nfc_init(&context);
    if (!context) {
        error = "libnfc could not be initialised";
        return nullptr;
    }
    nfc_connstring name{};
    if (connstring.size() >= sizeof name) {
        nfc_exit(context);
        error = "the libnfc connection string is too long";
        return nullptr;
    }
    std::memcpy(name, connstring.data(), connstring.size());
    nfc_device* device = nfc_open(context, connstring.empty() ? nullptr : name);
    if (!device) {
        nfc_exit(context);
        error = connstring.empty()
                    ? "libnfc found no reader/writer (is one plugged in, and may this user use it?)"
                    : "libnfc could not open \"" + connstring +
                          "\" (is it plugged in, is the name right, and may this user use it?)";
        return nullptr;
    }
    std::unique_ptr<NfcTransport> transport(new NfcTransport(context, device));
    // The chip tries three times for a card instead of forever, and frames go
    // out as they are (InCommunicateThru), with no target bookkeeping.
    if (nfc_initiator_init(device) < 0 ||
        nfc_device_set_property_bool(device, NP_INFINITE_SELECT, false) < 0 ||
        nfc_device_set_property_bool(device, NP_EASY_FRAMING, false) < 0) {
        error = std::string("the reader/writer could not be set up: ") + nfc_strerror(device);
        return nullptr;
    }
    const nfc_modulation_type* types = nullptr;
    bool felica = false;
    if (nfc_device_get_supported_modulation(device, N_INITIATOR, &types) == 0 && types)
        for (const nfc_modulation_type* t = types; *t; ++t) felica = felica || *t == NMT_FELICA;
    if (!felica) {
        error = "the reader/writer \"" + transport->deviceName() + "\" cannot talk to FeliCa cards";
        return nullptr;
    }
    return transport;
}

std::vector<ReaderEntry> NfcTransport::list() {
    quietLibnfc();
    std::vector<ReaderEntry> found;
    nfc_context* context = nullptr;
    nfc_init(&context);
    if (!context) return found;
    nfc_connstring names[8];
    const std::size_t n = nfc_list_devices(context, names, 8);
    for (std::size_t i = 0; i < n && i < 8; ++i) {
        const std::string name(names[i], strnlen(names[i], sizeof names[i]));
        found.push_back({"nfc", "nfc:" + name, "libnfc device " + name});
    }
    nfc_exit(context);
    return found;
}

std::string NfcTransport::readerName() const {
    const char* connstring = device_ ? nfc_device_get_connstring(device_) : nullptr;
    return connstring ? "nfc:" + std::string(connstring) : std::string("nfc");
}

NfcTransport::NfcTransport(nfc_context* context, nfc_device* device) : context_(context), device_(device) {}

NfcTransport::~NfcTransport() {
    // nfc_close switches the field off and puts the chip to sleep; on a
    // device that is gone its writes fail at once.
    if (device_) nfc_close(device_);
    if (context_) nfc_exit(context_);
}

std::string NfcTransport::deviceName() const {
    const char* n = nfc_device_get_name(device_);
    return n ? n : "";
}

std::uint8_t NfcTransport::chipWaitCode(std::chrono::milliseconds budget) {
    for (std::uint8_t code = 0x0B; code < 0x10; ++code)
        if (chipWaitMs(code) >= static_cast<double>(budget.count())) return code;
    return 0x10;
}

TransceiveStatus NfcTransport::gone(const char* during, int code) {
    broken_ = true;
    failure_ = std::string("libnfc: ") + during + ": " + (device_ ? nfc_strerror(device_) : "") +
               " (" + std::to_string(code) + ")";
    return TransceiveStatus::DeviceGone;
}

TransceiveStatus NfcTransport::transceive(std::span<const std::uint8_t> command,
                                          std::vector<std::uint8_t>& answer,
                                          std::chrono::milliseconds timeout) {
    answer.clear();
    if (broken_) return TransceiveStatus::DeviceGone;
    if (!sendableFrame(command)) return TransceiveStatus::NoAnswer;
    if (isPollingFrame(command)) return poll(command, answer);
    if (!rfReady_) {
        // Raw frames go out in the chip's current RF mode, which is FeliCa
        // only after a selection: make one, whatever it finds.
        std::uint8_t any[6] = {6, cmd::Polling, 0xFF, 0xFF, 0x00, 0x00};
        std::vector<std::uint8_t> ignored;
        if (poll(any, ignored) == TransceiveStatus::DeviceGone) return TransceiveStatus::DeviceGone;
    }
    return exchange(command, answer, timeout);
}

// A frame garbled on the serial line (bad checksum, noise) costs one more
// try: every command this library sends only reads, so a repeat is safe.
TransceiveStatus NfcTransport::poll(std::span<const std::uint8_t> command, std::vector<std::uint8_t>& answer) {
    // The chip polls with the body of the frame (without LEN) and reports the
    // card's Polling answer as target data.
    for (int i = 0; i < 2; ++i) {
        const int rate = (preferredRate_ + i) % 2;
        nfc_target target{};
        const nfc_modulation modulation{NMT_FELICA, kRates[rate]};
        int res = 0;
        for (int attempt = 0; attempt < 2; ++attempt) {
            res = nfc_initiator_select_passive_target(device_, modulation, command.data() + 1, 5, &target);
            if (res != NFC_EIO) break;
        }
        rfReady_ = true;
        if (res < 0) {
            if (isRadioFailure(res)) continue;
            return gone("polling", res);
        }
        if (res == 0) continue;
        preferredRate_ = rate;
        const nfc_felica_info& info = target.nti.nfi;
        // Rebuild the card's own answer: LEN 01 IDm PMm [request data].
        answer.push_back(static_cast<std::uint8_t>(info.szLen));
        answer.push_back(info.btResCode);
        if (info.szLen != 18 && info.szLen != 20) return TransceiveStatus::Ok;  // malformed; the decoder says so
        answer.insert(answer.end(), info.abtId, info.abtId + 8);
        answer.insert(answer.end(), info.abtPad, info.abtPad + 8);
        if (info.szLen == 20) answer.insert(answer.end(), info.abtSysCode, info.abtSysCode + 2);
        Pmm pmm{};
        std::memcpy(pmm.data(), info.abtPad, 8);
        cardWait_ = longestCommandTime(pmm);
        return TransceiveStatus::Ok;
    }
    return TransceiveStatus::NoAnswer;
}

bool NfcTransport::setChipWait(std::chrono::milliseconds budget) {
    // The chip gives up on the card after its own response wait (51.2 ms
    // unless told otherwise), which is shorter than what a long read may
    // take: raise it to cover what the card announced. It is never lowered
    // again: a longer wait costs nothing while the card answers, and each
    // change is one more frame on the line.
    const std::uint8_t code = chipWaitCode(budget);
    if (code <= chipWait_) return true;
    if (nfc_device_set_property_int(device_, NP_TIMEOUT_COM, libnfcWaitValue(code)) < 0) return false;
    chipWait_ = code;
    return true;
}

TransceiveStatus NfcTransport::exchange(std::span<const std::uint8_t> command, std::vector<std::uint8_t>& answer,
                                        std::chrono::milliseconds timeout) {
    // Set once for the card polled last, to what its longest command takes.
    if (!setChipWait(std::max(timeout, cardWait_))) return gone("setting the response wait", nfc_device_get_last_error(device_));
    const int hostWait = static_cast<int>(chipWaitMs(chipWait_)) + kHostMarginMs;
    std::uint8_t rx[300];
    int res = 0;
    for (int attempt = 0; attempt < 2; ++attempt) {
        res = nfc_initiator_transceive_bytes(device_, command.data(), command.size(), rx, sizeof rx, hostWait);
        if (res != NFC_EIO) break;
    }
    if (res < 0) {
        if (isRadioFailure(res)) return TransceiveStatus::NoAnswer;
        return gone("exchanging a frame", res);
    }
    answer.assign(rx, rx + res);
    return TransceiveStatus::Ok;
}

}  // namespace felica
