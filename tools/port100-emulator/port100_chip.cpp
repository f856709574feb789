#include "port100_chip.h"

#include <thread>

namespace felica::port100 {
namespace {

class ChipChannel : public felica::BulkChannel {
public:
    explicit ChipChannel(Chip& chip) : chip_(chip) {}
    bool send(std::span<const std::uint8_t> data, std::chrono::milliseconds) override {
        return chip_.hostSend(data);
    }
    Status receive(Bytes& data, std::chrono::milliseconds timeout) override {
        return chip_.hostReceive(data, timeout);
    }
    std::string failure() const override { return "the emulated chip was unplugged"; }

private:
    Chip& chip_;
};

}  // namespace

Chip::Chip(std::optional<felica::CardImage> card) {
    if (card) card_.emplace(std::move(*card));
}

std::unique_ptr<felica::BulkChannel> Chip::channel() { return std::make_unique<ChipChannel>(*this); }

void Chip::liftCard() {
    std::lock_guard<std::mutex> hold(lock_);
    card_.reset();
}
void Chip::placeCard(felica::CardImage card) {
    std::lock_guard<std::mutex> hold(lock_);
    card_.emplace(std::move(card));
}
void Chip::liftCardAfter(std::size_t frames) {
    std::lock_guard<std::mutex> hold(lock_);
    liftAfter_ = commRF_ + frames;
}
void Chip::stopAnswering() {
    std::lock_guard<std::mutex> hold(lock_);
    silent_ = true;
}
void Chip::unplug() {
    std::lock_guard<std::mutex> hold(lock_);
    unplugged_ = true;
}
void Chip::corruptNextFrame() {
    std::lock_guard<std::mutex> hold(lock_);
    corrupt_ = true;
}
void Chip::leaveStale(Bytes frame) {
    std::lock_guard<std::mutex> hold(lock_);
    outbox_.push_back(std::move(frame));
}
void Chip::setFrameDelay(std::chrono::microseconds delay) {
    std::lock_guard<std::mutex> hold(lock_);
    delay_ = delay;
}
void Chip::setBitRates(bool at212, bool at424) {
    std::lock_guard<std::mutex> hold(lock_);
    at212_ = at212;
    at424_ = at424;
}
std::vector<Bytes> Chip::written() const {
    std::lock_guard<std::mutex> hold(lock_);
    return written_;
}
std::vector<Bytes> Chip::sent() const {
    std::lock_guard<std::mutex> hold(lock_);
    return sent_;
}
std::size_t Chip::commRFCount() const {
    std::lock_guard<std::mutex> hold(lock_);
    return commRF_;
}

bool Chip::hostSend(std::span<const std::uint8_t> data) {
    std::lock_guard<std::mutex> hold(lock_);
    if (unplugged_) return false;
    written_.emplace_back(data.begin(), data.end());
    if (silent_) return true;
    const Frame f = parseFrame(data);
    // An ACK cancels the command in progress; what the chip already sent
    // stays in the pipe until the host reads it.
    if (f.kind == FrameKind::Ack) return true;
    if (f.kind != FrameKind::Data || f.payload.size() < 2 || f.payload[0] != 0xD6) {
        outbox_.emplace_back(std::begin(kErrorFrame), std::end(kErrorFrame));
        return true;
    }
    outbox_.emplace_back(std::begin(kAck), std::end(kAck));
    Bytes r = {0xD7, static_cast<std::uint8_t>(f.payload[1] + 1)};
    const Bytes body = reply(f.payload[1], std::span(f.payload).subspan(2));
    r.insert(r.end(), body.begin(), body.end());
    outbox_.push_back(dataFrame(r));
    return true;
}

felica::BulkChannel::Status Chip::hostReceive(Bytes& data, std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> hold(lock_);
    data.clear();
    if (unplugged_) return felica::BulkChannel::Status::Failed;
    if (outbox_.empty()) {
        // Nothing to read: the read waits out its time, as on the wire.
        hold.unlock();
        std::this_thread::sleep_for(timeout);
        return felica::BulkChannel::Status::Timeout;
    }
    data = std::move(outbox_.front());
    outbox_.pop_front();
    if (corrupt_ && data.size() > 8) {
        data[data.size() - 2] ^= 0x5A;
        corrupt_ = false;
    }
    sent_.push_back(data);
    const auto delay = delay_;
    hold.unlock();
    if (delay.count() > 0) std::this_thread::sleep_for(delay);
    return felica::BulkChannel::Status::Ok;
}

Bytes Chip::reply(std::uint8_t c, std::span<const std::uint8_t> args) {
    switch (c) {
    case code::InSetRF:
        if (args.size() != 4) return {0x01};
        rate_ = args[1];
        return {0x00};
    case code::InSetProtocol:
        return {static_cast<std::uint8_t>(args.size() % 2 ? 0x01 : 0x00)};
    case code::SwitchRF:
        if (args.size() != 1) return {0x01};
        rfOn_ = args[0] != 0;
        return {0x00};
    case code::InCommRF:
        rfOn_ = true;
        return commRF(args);
    case code::GetFirmwareVersion:
        return {0x11, 0x01};
    case code::GetPDDataVersion:
        return {0x00, 0x01};
    case code::SetCommandType:
        return {static_cast<std::uint8_t>(args.size() == 1 && args[0] <= 1 ? 0x00 : 0x01)};
    default:
        return {0x01};
    }
}

Bytes Chip::commRF(std::span<const std::uint8_t> args) {
    ++commRF_;
    if (liftAfter_ && commRF_ > *liftAfter_) {
        card_.reset();
        liftAfter_.reset();
    }
    const Bytes timeout = {0x80, 0x00, 0x00, 0x00};
    const bool rateOk = (rate_ == 1 && at212_) || (rate_ == 2 && at424_);
    if (args.size() < 3 || !card_ || !rateOk) return timeout;
    auto answer = card_->answer(args.subspan(2));
    if (!answer) return timeout;
    Bytes r = {0x00, 0x00, 0x00, 0x00, 0x08};
    r.insert(r.end(), answer->begin(), answer->end());
    return r;
}

}  // namespace felica::port100
