// A transport carries one FeliCa command frame to the card and brings one
// answer back, within a time limit. Each reader route is one transport:
// PC/SC readers through pcscd (pcsc_transport.h), an RC-S380 over libusb
// (port100_transport.h), libnfc's readers (nfc_transport.h) and the virtual
// reader with a card image (virtual_reader.h).
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace felica {

enum class TransceiveStatus {
    Ok,         // an answer arrived
    NoAnswer,   // the card did not answer in time (absent, lifted, silent)
    DeviceGone, // the reader failed or disappeared; the transport is unusable
};

class Transport {
public:
    virtual ~Transport() = default;
    // Sends `command` (LEN first, no CRC) and waits up to `timeout` for one
    // answer frame, which lands in `answer` (LEN first).
    virtual TransceiveStatus transceive(std::span<const std::uint8_t> command,
                                        std::vector<std::uint8_t>& answer,
                                        std::chrono::milliseconds timeout) = 0;
    // Tells whether the device behind the transport still works.
    virtual bool healthy() const { return true; }
    // A transport over a real device may be kept open between the library's
    // open/close pairs, so that a run of operations initialises it once.
    virtual bool reusable() const { return false; }
    // Whether a kept transport holds something other programs may wait for
    // (a device), which an idle spell then releases. One that holds nothing
    // but memory stays kept until the library is disposed of.
    virtual bool holdsDevice() const { return true; }
    // What went wrong on the last DeviceGone, in the device's own words
    // ("" when there is nothing to add).
    virtual std::string failureDetail() const { return {}; }
    // The reader name that selects this very device ("nfc:pn532_uart:/dev/ttyUSB0"),
    // or "" when the transport cannot tell.
    virtual std::string readerName() const { return {}; }
};

// Makes the transport for a reader name; on failure returns null and says
// why in `error`.
using TransportFactory =
    std::function<std::unique_ptr<Transport>(const std::string& readerName, std::string& error)>;

// The factory that knows every reader name: "auto" (reader_directory.h),
// "pcsc", "pcsc:NAME", "usb", "usb:BUS:ADDRESS", "nfc", "nfc:CONNSTRING" and
// "image:PATH".
std::unique_ptr<Transport> openTransport(const std::string& readerName, std::string& error);

// Reads the card image file `path` as the virtual reader does, so that a
// bad file is told before anything starts; the reader then uses what was
// read here for as long as the file stays the same. False, with the
// reason in `error`, for a file that is not a card image.
bool checkCardImage(const std::string& path, std::string& error);

}  // namespace felica
