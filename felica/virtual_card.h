// A card that answers FeliCa command frames from a card image, as a real card
// would: silent for a system it lacks or a frame it cannot parse, key versions
// FF FF for absent nodes, the real status flags for reads it refuses.
// Used by the virtual reader and by the PN532 emulator of the tests.
#pragma once

#include "card_image.h"

#include <optional>

namespace felica {

// Status flag 2 values a card reports for refused reads.
namespace status {
constexpr std::uint8_t IllegalServiceCount = 0xA1;
constexpr std::uint8_t IllegalBlockCount = 0xA2;
constexpr std::uint8_t IllegalBlockList = 0xA3;
constexpr std::uint8_t IllegalServiceCode = 0xA6;
constexpr std::uint8_t BlockNumberOutOfRange = 0xA8;
constexpr std::uint8_t AuthenticationRequired = 0xB1;
// Status flag 1 for errors not tied to one element.
constexpr std::uint8_t NotTiedToElement = 0xFF;
}  // namespace status

class VirtualCard {
public:
    explicit VirtualCard(CardImage image);

    const CardImage& image() const { return image_; }

    // The answer to one command frame, or nothing when the card stays silent.
    std::optional<Bytes> answer(std::span<const std::uint8_t> command);

private:
    std::optional<Bytes> polling(std::span<const std::uint8_t> c);
    std::optional<Bytes> requestService(const SystemImage& sys, std::span<const std::uint8_t> c);
    std::optional<Bytes> requestResponse(const SystemImage& sys, std::span<const std::uint8_t> c);
    std::optional<Bytes> readWithoutEncryption(const SystemImage& sys,
                                               std::span<const std::uint8_t> c);
    std::optional<Bytes> searchServiceCode(const SystemImage& sys, std::span<const std::uint8_t> c);
    std::optional<Bytes> requestSystemCode(const SystemImage& sys, std::span<const std::uint8_t> c);

    // The system a command is addressed to by its IDm; the one polled last
    // wins when systems share an IDm.
    const SystemImage* addressed(std::span<const std::uint8_t> c) const;

    struct Node {
        bool isArea = false;
        std::size_t index = 0;
    };

    CardImage image_;
    std::vector<std::vector<Node>> nodeOrder_;  // per system
    std::size_t current_ = 0;
};

}  // namespace felica
