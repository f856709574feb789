// A reader/writer with the Port-100 chip (RC-S380) driven over USB bulk
// transfers. The chip takes commands in frames (`D6 CC args`, answered by an
// ACK frame and then `D7 CC+1 result`); FeliCa frames travel inside its
// InCommRF command, the chip adding and checking the CRC.
#pragma once

#include "frames.h"
#include "transport.h"

#include <cstdint>
#include <memory>
#include <string>

namespace felica {

// One bulk-OUT and one bulk-IN pipe to the chip. The USB device sits behind
// it; so does the emulated chip of the tests.
class BulkChannel {
public:
    enum class Status { Ok, Timeout, Failed };
    virtual ~BulkChannel() = default;
    // Writes one transfer; false when the device failed or the write timed out.
    virtual bool send(std::span<const std::uint8_t> data, std::chrono::milliseconds timeout) = 0;
    // Reads one transfer into `data`.
    virtual Status receive(Bytes& data, std::chrono::milliseconds timeout) = 0;
    // What the last failure was, in the device's words.
    virtual std::string failure() const { return {}; }
};

namespace port100 {

inline constexpr std::uint8_t kAck[6] = {0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00};
// The chip's answer to a frame it could not take.
inline constexpr std::uint8_t kErrorFrame[5] = {0x00, 0x00, 0xFF, 0xFF, 0xFF};

namespace code {
constexpr std::uint8_t InSetRF = 0x00;
constexpr std::uint8_t InSetProtocol = 0x02;
constexpr std::uint8_t InCommRF = 0x04;
constexpr std::uint8_t SwitchRF = 0x06;
constexpr std::uint8_t GetFirmwareVersion = 0x20;
constexpr std::uint8_t GetPDDataVersion = 0x22;
constexpr std::uint8_t SetCommandType = 0x2A;
}  // namespace code

// The InCommRF status bit of a card that did not answer in time.
constexpr std::uint32_t kReceiveTimeout = 0x80;

// The extended data frame that carries `payload`.
Bytes dataFrame(std::span<const std::uint8_t> payload);

enum class FrameKind { Ack, Data, Error, Bad };
struct Frame {
    FrameKind kind = FrameKind::Bad;
    Bytes payload;        // of a data frame
    std::string problem;  // of a bad one
};
// Reads one whole transfer as one frame: ACK, error frame, or a data frame in
// the extended or the normal form with both checksums right and nothing after.
Frame parseFrame(std::span<const std::uint8_t> bytes);

// The InCommRF time limit on the wire: units of 0.1 ms, one millisecond more
// than asked, at most FFFF.
std::uint16_t wireTimeout(std::chrono::milliseconds timeout);

}  // namespace port100

class Port100Transport : public Transport {
public:
    // Resets the chip, drains what it had left to say and sets it up; on
    // failure returns null and says why in `error`. `name` tells the device
    // in messages.
    static std::unique_ptr<Port100Transport> open(std::unique_ptr<BulkChannel> channel, const std::string& name,
                                                  std::string& error);
    ~Port100Transport() override;
    Port100Transport(const Port100Transport&) = delete;
    Port100Transport& operator=(const Port100Transport&) = delete;
    std::string readerName() const override { return name_; }

    TransceiveStatus transceive(std::span<const std::uint8_t> command, std::vector<std::uint8_t>& answer,
                                std::chrono::milliseconds timeout) override;
    bool healthy() const override { return !broken_; }
    bool reusable() const override { return true; }
    std::string failureDetail() const override { return failure_; }

    // The firmware version the chip reported, e.g. 0x0111 for 1.11.
    std::uint16_t firmwareVersion() const { return firmware_; }

private:
    enum class Step { Ok, Garbled, Failed };

    Port100Transport(std::unique_ptr<BulkChannel> channel, std::string name);

    bool setUp(std::string& error);
    // Sends one chip command and takes its ACK and reply; `body` gets what
    // follows `D7 CC+1`.
    Step command(std::uint8_t code, std::span<const std::uint8_t> args, Bytes& body,
                 std::chrono::milliseconds replyWait);
    // A command that answers with one status byte, which must be 0.
    Step statusCommand(std::uint8_t code, std::span<const std::uint8_t> args);
    // Cancels what the chip is doing and drops what it still sends.
    void resync();
    TransceiveStatus setRate(int rate);
    TransceiveStatus commRF(std::span<const std::uint8_t> frame, std::chrono::milliseconds timeout, Bytes& answer);
    TransceiveStatus poll(std::span<const std::uint8_t> command, Bytes& answer);
    TransceiveStatus gone(const std::string& what);
    TransceiveStatus fromStep(Step step);

    std::unique_ptr<BulkChannel> channel_;
    std::string name_;
    bool broken_ = false;
    std::string failure_;
    std::uint16_t firmware_ = 0;
    int rate_ = -1;           // the bit rate the RF is set to (0 = 212F, 1 = 424F)
    bool protocolSet_ = false;
    int preferredRate_ = 0;   // the rate that found the card last
};

// The RC-S380s on USB, each with the reader name that selects it
// ("usb:001:004") and a description for a person.
struct UsbReader {
    std::string name;
    std::string description;
};
std::vector<UsbReader> listUsbReaders();

// Opens the RC-S380 at "BUS:ADDRESS" (decimal), or the first one found when
// `where` is empty.
std::unique_ptr<Transport> openUsbReader(const std::string& where, std::string& error);

}  // namespace felica
