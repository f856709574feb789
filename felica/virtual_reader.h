// The virtual reader: a transport with the card of a card image lying on it.
#pragma once

#include "transport.h"
#include "virtual_card.h"

#include <atomic>

namespace felica {

class VirtualReader : public Transport {
public:
    explicit VirtualReader(CardImage image);

    TransceiveStatus transceive(std::span<const std::uint8_t> command,
                                std::vector<std::uint8_t>& answer,
                                std::chrono::milliseconds timeout) override;

    // A lifted card answers nothing until it is placed again.
    void liftCard() { present_ = false; }
    void placeCard() { present_ = true; }
    std::size_t commandCount() const { return commands_; }
    VirtualCard& card() { return card_; }

private:
    VirtualCard card_;
    std::atomic<bool> present_{true};
    std::size_t commands_ = 0;
};

}  // namespace felica
