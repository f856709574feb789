// A Port-100 chip with a card of a card image in its field, behind the
// bulk-transfer channel. It answers every frame the host writes with an ACK
// and a reply, as the chip does, and can be told to misbehave: lift the
// card, stop answering, be unplugged, garble a frame.
#pragma once

#include "port100_transport.h"
#include "virtual_card.h"

#include <deque>
#include <memory>
#include <mutex>
#include <optional>

namespace felica::port100 {


class Chip {
public:
    explicit Chip(std::optional<felica::CardImage> card = std::nullopt);

    // A channel to this chip; the chip must outlive it.
    std::unique_ptr<felica::BulkChannel> channel();

    void liftCard();
    void placeCard(felica::CardImage card);
    // The card goes silent after this many more InCommRF frames.
    void liftCardAfter(std::size_t frames);
    // Takes writes but never answers again.
    void stopAnswering();
    // Every transfer fails from now on, as on a device that is gone.
    void unplug();
    // The next frame the chip sends has a wrong data checksum.
    void corruptNextFrame();
    // Frames left over from an earlier program, read before anything else.
    void leaveStale(Bytes frame);
    // How long each frame the chip sends takes to arrive.
    void setFrameDelay(std::chrono::microseconds delay);
    // Whether the card answers at 212 and at 424 kbit/s.
    void setBitRates(bool at212, bool at424);

    // Everything the host wrote, one entry per transfer, and everything the
    // chip sent.
    std::vector<Bytes> written() const;
    std::vector<Bytes> sent() const;
    std::size_t commRFCount() const;

    // The channel's side.
    bool hostSend(std::span<const std::uint8_t> data);
    felica::BulkChannel::Status hostReceive(Bytes& data, std::chrono::milliseconds timeout);

private:
    Bytes reply(std::uint8_t code, std::span<const std::uint8_t> args);
    Bytes commRF(std::span<const std::uint8_t> args);

    mutable std::mutex lock_;
    std::optional<felica::VirtualCard> card_;
    std::deque<Bytes> outbox_;
    std::vector<Bytes> written_, sent_;
    std::size_t commRF_ = 0;
    std::optional<std::size_t> liftAfter_;
    bool silent_ = false, unplugged_ = false, corrupt_ = false;
    bool rfOn_ = false, at212_ = true, at424_ = true;
    int rate_ = 0;  // 1 = 212, 2 = 424, as InSetRF's send type
    std::chrono::microseconds delay_{0};
};

}  // namespace felica::port100
