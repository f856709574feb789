// Readers reached through pcscd. Two routes carry FeliCa frames:
//  - PN53x readers (ACR122U) take the chip's own commands wrapped in the
//    direct-transmit pseudo-APDU FF 00 00 00: InListPassiveTarget polls,
//    InCommunicateThru carries every other frame.
//  - Sony's RC-S300/RC-S660 (and other storage-card readers) open a
//    transparent session (FF C2) and exchange frames in BER-TLV data objects.
// The pseudo-APDUs go through SCardTransmit while the reader presents a card,
// and otherwise as CCID escapes (SCardControl) on a direct connection, which
// libccid allows only when told to.
#pragma once

#include "transport.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace felica {

namespace pcsc {

enum class Route { Pn53x, Transparent };

// The route a reader takes, by the name pcscd gives it; nothing when the
// name is not one of a known FeliCa reader.
std::optional<Route> routeForName(const std::string& readerName);

// Splits pcscd's reader list (names ending in NUL, the list in a second
// NUL); names are cut at the end of `list` when it lacks its terminators.
std::vector<std::string> splitReaderList(std::span<const char> list);

struct DataObject {
    std::uint32_t tag = 0;
    std::span<const std::uint8_t> value;
};
// Splits BER-TLV data objects; false when a tag or a length runs past the
// end or a length has a form this reader family never sends.
bool parseDataObjects(std::span<const std::uint8_t> data, std::vector<DataObject>& out);

// The value of feature `tag` in a CM_IOCTL_GET_FEATURE_REQUEST answer.
std::optional<std::uint32_t> findFeature(std::span<const std::uint8_t> features, std::uint8_t tag);

// One reply of the reader, taken apart: what the card said (LEN first) or
// why there is nothing.
struct Reply {
    TransceiveStatus status = TransceiveStatus::DeviceGone;
    std::vector<std::uint8_t> frame;
    std::string detail;  // for DeviceGone (and NoAnswer when the reader said why)
};
// The R-APDU of a transparent exchange: data objects, then SW1 SW2.
Reply parseTransparentExchange(std::span<const std::uint8_t> rapdu);
// The R-APDU of a session or protocol command: its status object must say 90 00.
Reply parseTransparentStatus(std::span<const std::uint8_t> rapdu);
// The R-APDU of InListPassiveTarget (D5 4B ...) and of InCommunicateThru
// (D5 43 ...), each followed by SW1 SW2.
Reply parsePn53xPoll(std::span<const std::uint8_t> rapdu);
Reply parsePn53xThru(std::span<const std::uint8_t> rapdu);

// A PC/SC reader present now: the reader name that selects it and what it is.
struct ReaderEntry {
    std::string selector;  // "pcsc:NAME"
    std::string description;
};
// The readers pcscd lists; on failure an empty list and the reason in `error`.
std::vector<ReaderEntry> listReaders(std::string& error);

// Tests replace the one call that sends CCID escapes; null restores SCardControl.
using ControlFunction = std::function<long(std::intptr_t card, unsigned long code,
                                           std::span<const std::uint8_t> in,
                                           std::vector<std::uint8_t>& out)>;
void setControlFunction(ControlFunction f);

}  // namespace pcsc

class PcscTransport : public Transport {
public:
    // Opens the reader pcscd lists as `readerName`, or with an empty name the
    // first reader that speaks FeliCa. On failure returns null and says why.
    static std::unique_ptr<PcscTransport> open(const std::string& readerName, std::string& error);
    ~PcscTransport() override;
    PcscTransport(const PcscTransport&) = delete;
    PcscTransport& operator=(const PcscTransport&) = delete;

    TransceiveStatus transceive(std::span<const std::uint8_t> command, std::vector<std::uint8_t>& answer,
                                std::chrono::milliseconds timeout) override;
    bool healthy() const override { return !broken_; }
    bool reusable() const override { return true; }
    std::string failureDetail() const override { return failure_; }

    std::string readerName() const override { return "pcsc:" + reader_; }

private:
    PcscTransport(std::intptr_t context, std::string reader, pcsc::Route route);

    // Connects (again) and prepares the reader; "" on success, else why.
    // `direct`: skip the card, send escapes.
    std::string connect(bool direct = false);
    void disconnect();
    // Sends one pseudo-APDU the way the connection allows. Returns the PC/SC
    // result code.
    // PC/SC result code; SCARD_E_TIMEOUT when pcscd did not answer within `limit`.
    long send(std::span<const std::uint8_t> apdu, std::vector<std::uint8_t>& reply,
              std::chrono::milliseconds limit = std::chrono::milliseconds(5000));
    // Sends and takes the reply apart; a failure of the link becomes a Reply too.
    pcsc::Reply call(std::span<const std::uint8_t> apdu,
                     pcsc::Reply (*parse)(std::span<const std::uint8_t>), const char* what,
                     std::chrono::milliseconds limit = std::chrono::milliseconds(5000));
    TransceiveStatus finish(pcsc::Reply reply, std::vector<std::uint8_t>& answer);
    TransceiveStatus pn53xPoll(std::span<const std::uint8_t> command, std::vector<std::uint8_t>& answer);

    std::intptr_t context_;
    std::intptr_t card_ = 0;
    bool connected_ = false;
    bool escape_ = false;            // the connection is direct: pseudo-APDUs go as escapes
    unsigned long escapeCode_ = 0;
    unsigned long protocol_ = 0;
    std::string reader_;
    pcsc::Route route_;
    bool broken_ = false;
    bool stuck_ = false;             // a call to pcscd never returned; its context is not touched again
    std::string failure_;
    bool rfReady_ = false;
    int preferredRate_ = 0;
    std::uint8_t chipWait_ = 0;
    std::chrono::milliseconds cardWait_{0};  // the longest command time of the card polled last
};

}  // namespace felica
