// A reader/writer driven through libnfc. Polling goes through libnfc's FeliCa
// target selection (212 kbit/s, then 424); every other command travels as a
// raw frame with its length byte. Everything that is particular to the PN53x
// chips (their own response wait, their error codes) stays in here.
#pragma once

#include "reader_directory.h"
#include "transport.h"

#include <cstdint>
#include <memory>
#include <string>

struct nfc_context;
struct nfc_device;

namespace felica {

class NfcTransport : public Transport {
public:
    // Opens and initialises the device named by a libnfc connection string,
    // or the first device libnfc finds when `connstring` is empty. On
    // failure returns null and says why in `error`.
    static std::unique_ptr<NfcTransport> open(const std::string& connstring, std::string& error);
    // The devices libnfc finds without probing serial ports.
    static std::vector<ReaderEntry> list();
    std::string readerName() const override;
    ~NfcTransport() override;
    NfcTransport(const NfcTransport&) = delete;
    NfcTransport& operator=(const NfcTransport&) = delete;

    TransceiveStatus transceive(std::span<const std::uint8_t> command, std::vector<std::uint8_t>& answer,
                                std::chrono::milliseconds timeout) override;
    bool healthy() const override { return !broken_; }
    bool reusable() const override { return true; }
    std::string failureDetail() const override { return failure_; }

    // The device's name as libnfc reports it, e.g. "pn532_uart:/dev/ttyUSB0".
    std::string deviceName() const;

    // The PN53x response-wait setting (RFConfiguration item 2) that covers
    // `budget`: 0x0B (102.4 ms) .. 0x10 (3.28 s), each step doubling.
    static std::uint8_t chipWaitCode(std::chrono::milliseconds budget);

private:
    NfcTransport(nfc_context* context, nfc_device* device);

    TransceiveStatus poll(std::span<const std::uint8_t> command, std::vector<std::uint8_t>& answer);
    TransceiveStatus exchange(std::span<const std::uint8_t> command, std::vector<std::uint8_t>& answer,
                              std::chrono::milliseconds timeout);
    bool setChipWait(std::chrono::milliseconds budget);
    // Records a failure of the device; the transport is unusable afterwards.
    TransceiveStatus gone(const char* during, int code);

    nfc_context* context_;
    nfc_device* device_;
    bool broken_ = false;
    std::string failure_;
    bool rfReady_ = false;        // the chip has been set to FeliCa since it was opened
    int preferredRate_ = 0;       // index of the bit rate that found the card last
    std::uint8_t chipWait_ = 0;   // the chip's response wait as last set (0 = its default)
    std::chrono::milliseconds cardWait_{0};  // the longest command time of the card polled last
};

}  // namespace felica
