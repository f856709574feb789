#include "port100_transport.h"
#include "frames.h"

#include <algorithm>
#include <cstdio>

namespace felica {
namespace port100 {

namespace {

std::uint8_t checksum(std::span<const std::uint8_t> bytes) {
    unsigned sum = 0;
    for (std::uint8_t b : bytes) sum += b;
    return static_cast<std::uint8_t>(0x100 - (sum & 0xFF));
}

Frame bad(std::string problem) {
    Frame f;
    f.problem = std::move(problem);
    return f;
}

}  // namespace

Bytes dataFrame(std::span<const std::uint8_t> payload) {
    const std::size_t n = payload.size();
    Bytes f = {0x00, 0x00, 0xFF, 0xFF, 0xFF, static_cast<std::uint8_t>(n & 0xFF), static_cast<std::uint8_t>(n >> 8)};
    f.push_back(checksum(std::span(f).subspan(5, 2)));
    f.insert(f.end(), payload.begin(), payload.end());
    f.push_back(checksum(payload));
    f.push_back(0x00);
    return f;
}

Frame parseFrame(std::span<const std::uint8_t> b) {
    if (b.size() < 5 || b[0] != 0x00 || b[1] != 0x00 || b[2] != 0xFF) return bad("no frame start");
    if (std::equal(b.begin(), b.end(), std::begin(kAck), std::end(kAck))) return Frame{FrameKind::Ack, {}, {}};
    if (b.size() == 5 && b[3] == 0xFF && b[4] == 0xFF) return Frame{FrameKind::Error, {}, {}};
    std::size_t header = 0, length = 0;
    if (b[3] == 0xFF && b[4] == 0xFF) {
        if (b.size() < 8) return bad("a cut extended frame header");
        if (static_cast<std::uint8_t>(b[5] + b[6] + b[7]) != 0) return bad("a wrong length checksum");
        header = 8;
        length = b[5] | (b[6] << 8);
    } else {
        if (static_cast<std::uint8_t>(b[3] + b[4]) != 0) return bad("a wrong length checksum");
        header = 5;
        length = b[3];
    }
    if (length == 0) return bad("an empty data frame");
    if (b.size() != header + length + 2) return bad("a length that does not match the frame");
    const auto payload = b.subspan(header, length);
    if (checksum(payload) != b[header + length]) return bad("a wrong data checksum");
    if (b[header + length + 1] != 0x00) return bad("no frame end");
    return Frame{FrameKind::Data, Bytes(payload.begin(), payload.end()), {}};
}

std::uint16_t wireTimeout(std::chrono::milliseconds timeout) {
    const long long units = (std::max<long long>(timeout.count(), 0) + 1) * 10;
    return static_cast<std::uint16_t>(std::min<long long>(units, 0xFFFF));
}

}  // namespace port100

namespace {

using namespace std::chrono_literals;
namespace code = port100::code;

// USB waits: a write, the chip's ACK, and its reply beyond any time the chip
// itself spends on the radio.
constexpr auto kWriteWait = 100ms;
constexpr auto kAckWait = 1000ms;
constexpr auto kReplyWait = 1500ms;
// Stale input is read away in short reads until one finds nothing.
constexpr auto kDrainWait = 10ms;
constexpr int kMaxDrainReads = 64;

// InSetRF for 212 and 424 kbit/s FeliCa: send setting and type, receive
// setting and type.
constexpr std::uint8_t kRates[2][4] = {{0x01, 0x01, 0x0F, 0x01}, {0x01, 0x02, 0x0F, 0x02}};
constexpr const char* kRateNames[2] = {"212 kbit/s", "424 kbit/s"};

// The protocol settings, as (key, value) pairs: initial guard time 24, CRC
// added and checked by the chip, 8 bits in the last byte, deaf time 4,
// guard time 6, everything else off.
constexpr std::uint8_t kProtocolDefaults[] = {0x00, 0x18, 0x01, 0x01, 0x02, 0x01, 0x03, 0x00, 0x04, 0x00, 0x05, 0x00,
                                              0x06, 0x00, 0x07, 0x08, 0x08, 0x00, 0x09, 0x00, 0x0A, 0x00, 0x0B, 0x00,
                                              0x0C, 0x00, 0x0E, 0x04, 0x0F, 0x00, 0x10, 0x00, 0x11, 0x00, 0x12, 0x00,
                                              0x13, 0x06};
// Polling wants the initial guard time of 24 once more, on its own.
constexpr std::uint8_t kPollingGuard[] = {0x00, 0x18};

std::string hexCode(std::uint8_t c) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02X", c);
    return buf;
}

}  // namespace

Port100Transport::Port100Transport(std::unique_ptr<BulkChannel> channel, std::string name)
    : channel_(std::move(channel)), name_(std::move(name)) {}

std::unique_ptr<Port100Transport> Port100Transport::open(std::unique_ptr<BulkChannel> channel,
                                                         const std::string& name, std::string& error) {
    std::unique_ptr<Port100Transport> t(new Port100Transport(std::move(channel), name));
    if (!t->setUp(error)) {
        t->broken_ = true;  // nothing more goes to a chip that failed its set-up
        return nullptr;
    }
    return t;
}

Port100Transport::~Port100Transport() {
    if (broken_) return;
    // The field goes off, and an ACK leaves the chip idle for the next program.
    const std::uint8_t off[1] = {0x00};
    statusCommand(code::SwitchRF, off);
    if (!broken_) channel_->send(port100::kAck, kWriteWait);
}

bool Port100Transport::setUp(std::string& error) {
    // An ACK cancels whatever the chip was doing for an earlier program.
    if (!channel_->send(port100::kAck, kWriteWait)) {
        error = "the reader/writer " + name_ + " cannot be written to: " + channel_->failure();
        return false;
    }
    resync();
    if (broken_) {
        error = "the reader/writer " + name_ + " failed: " + failure_;
        return false;
    }
    auto failed = [&](const char* during) {
        error = "the reader/writer " + name_ + " failed during " + during + ": " +
                (broken_ ? failure_ : std::string("it refused the command or its answer was garbled"));
        return false;
    };
    const std::uint8_t type1[1] = {0x01}, type0[1] = {0x00};
    Step s = statusCommand(code::SetCommandType, type1);
    // A chip that does not know command type 1 works with type 0.
    if (s == Step::Garbled && !broken_) s = statusCommand(code::SetCommandType, type0);
    if (s != Step::Ok) return failed("SetCommandType");
    Bytes body;
    if (command(code::GetFirmwareVersion, {}, body, kReplyWait) != Step::Ok || body.size() < 2)
        return failed("GetFirmwareVersion");
    firmware_ = static_cast<std::uint16_t>(body[1] << 8 | body[0]);
    if (command(code::GetPDDataVersion, {}, body, kReplyWait) != Step::Ok || body.size() < 2)
        return failed("GetPDDataVersion");
    const std::uint8_t off[1] = {0x00};
    if (statusCommand(code::SwitchRF, off) != Step::Ok) return failed("SwitchRF");
    return true;
}

TransceiveStatus Port100Transport::gone(const std::string& what) {
    broken_ = true;
    failure_ = name_ + ": " + what;
    return TransceiveStatus::DeviceGone;
}

void Port100Transport::resync() {
    Bytes stale;
    for (int i = 0; i < kMaxDrainReads; ++i) {
        const auto s = channel_->receive(stale, kDrainWait);
        if (s == BulkChannel::Status::Timeout) return;
        if (s == BulkChannel::Status::Failed) {
            gone("reading: " + channel_->failure());
            return;
        }
    }
    gone("the reader/writer never stops sending");
}

Port100Transport::Step Port100Transport::command(std::uint8_t c, std::span<const std::uint8_t> args, Bytes& body,
                                                 std::chrono::milliseconds replyWait) {
    body.clear();
    if (broken_) return Step::Failed;
    const std::string what = "command " + hexCode(c);
    Bytes payload = {0xD6, c};
    payload.insert(payload.end(), args.begin(), args.end());
    if (!channel_->send(port100::dataFrame(payload), kWriteWait)) {
        gone("writing " + what + ": " + channel_->failure());
        return Step::Failed;
    }
    // Something other than the expected frame: the chip and the host are out
    // of step, so the command is cancelled and what is left is read away.
    auto garbled = [&] {
        if (channel_->send(port100::kAck, kWriteWait))
            resync();
        else
            gone("writing an ACK: " + channel_->failure());
        return broken_ ? Step::Failed : Step::Garbled;
    };
    Bytes in;
    auto take = [&](std::chrono::milliseconds wait, const char* expecting) {
        const auto s = channel_->receive(in, wait);
        if (s == BulkChannel::Status::Ok) return true;
        if (s == BulkChannel::Status::Timeout)
            gone(std::string("no ") + expecting + " to " + what + " (the reader/writer stopped answering)");
        else
            gone(std::string("reading the ") + expecting + " to " + what + ": " + channel_->failure());
        return false;
    };
    if (!take(kAckWait, "ACK")) return Step::Failed;
    if (port100::parseFrame(in).kind != port100::FrameKind::Ack) return garbled();
    if (!take(replyWait, "reply")) return Step::Failed;
    port100::Frame reply = port100::parseFrame(in);
    if (reply.kind != port100::FrameKind::Data || reply.payload.size() < 2 || reply.payload[0] != 0xD7 ||
        reply.payload[1] != static_cast<std::uint8_t>(c + 1))
        return garbled();
    body.assign(reply.payload.begin() + 2, reply.payload.end());
    return Step::Ok;
}

Port100Transport::Step Port100Transport::statusCommand(std::uint8_t c, std::span<const std::uint8_t> args) {
    Bytes body;
    const Step s = command(c, args, body, kReplyWait);
    if (s != Step::Ok) return s;
    return body.size() == 1 && body[0] == 0 ? Step::Ok : Step::Garbled;
}

TransceiveStatus Port100Transport::fromStep(Step step) {
    // A garbled exchange was cancelled cleanly: the card counts as silent,
    // and the library sends the frame again.
    return step == Step::Failed ? TransceiveStatus::DeviceGone : TransceiveStatus::NoAnswer;
}

TransceiveStatus Port100Transport::setRate(int rate) {
    if (rate_ == rate) return TransceiveStatus::Ok;
    rate_ = -1;
    Step s = statusCommand(code::InSetRF, kRates[rate]);
    if (s == Step::Ok && !protocolSet_) {
        s = statusCommand(code::InSetProtocol, kProtocolDefaults);
        if (s == Step::Ok) s = statusCommand(code::InSetProtocol, kPollingGuard);
        protocolSet_ = s == Step::Ok;
    }
    if (s != Step::Ok) {
        if (!broken_) failure_ = name_ + ": the chip refused the settings for " + kRateNames[rate];
        return fromStep(s);
    }
    rate_ = rate;
    return TransceiveStatus::Ok;
}

TransceiveStatus Port100Transport::commRF(std::span<const std::uint8_t> frame, std::chrono::milliseconds timeout,
                                          Bytes& answer) {
    answer.clear();
    const std::uint16_t wire = port100::wireTimeout(timeout);
    Bytes args = {static_cast<std::uint8_t>(wire & 0xFF), static_cast<std::uint8_t>(wire >> 8)};
    args.insert(args.end(), frame.begin(), frame.end());
    Bytes body;
    const Step s = command(code::InCommRF, args, body, kReplyWait + timeout);
    if (s != Step::Ok) return fromStep(s);
    if (body.size() < 4) return TransceiveStatus::NoAnswer;
    const std::uint32_t status = body[0] | body[1] << 8 | body[2] << 16 | static_cast<std::uint32_t>(body[3]) << 24;
    // Timeout, CRC, collision and the like: what came over the air is no answer.
    if (status != 0 || body.size() < 6) return TransceiveStatus::NoAnswer;
    // Status, one byte of received bits, then the card's frame, LEN first.
    if (body[5] != body.size() - 5) return TransceiveStatus::NoAnswer;
    answer.assign(body.begin() + 5, body.end());
    return TransceiveStatus::Ok;
}

TransceiveStatus Port100Transport::poll(std::span<const std::uint8_t> command, Bytes& answer) {
    // The chip waits one time slot after another for the cards' answers.
    const auto wait = std::chrono::milliseconds(10 + (command[5] * 5 + 3) / 4);
    for (int i = 0; i < 2; ++i) {
        const int rate = (preferredRate_ + i) % 2;
        TransceiveStatus s = setRate(rate);
        if (s == TransceiveStatus::Ok) s = commRF(command, wait, answer);
        if (s == TransceiveStatus::DeviceGone) return s;
        if (s != TransceiveStatus::Ok) continue;
        // A card's Polling answer is LEN 01 IDm PMm [request data].
        if (answer.size() < 18 || answer[1] != static_cast<std::uint8_t>(command[1] + 1)) {
            answer.clear();
            continue;
        }
        preferredRate_ = rate;
        return TransceiveStatus::Ok;
    }
    // An empty field: the next poll begins at the rate the chip is set to,
    // which saves an InSetRF on every poll of a watch for cards.
    if (rate_ >= 0) preferredRate_ = rate_;
    return TransceiveStatus::NoAnswer;
}

TransceiveStatus Port100Transport::transceive(std::span<const std::uint8_t> command, std::vector<std::uint8_t>& answer,
                                              std::chrono::milliseconds timeout) {
    answer.clear();
    if (broken_) return TransceiveStatus::DeviceGone;
    if (!sendableFrame(command)) return TransceiveStatus::NoAnswer;
    if (isPollingFrame(command)) return poll(command, answer);
    const TransceiveStatus s = setRate(preferredRate_);
    if (s != TransceiveStatus::Ok) return s;
    return commRF(command, timeout, answer);
}

}  // namespace felica
