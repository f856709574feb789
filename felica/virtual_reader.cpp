#include "virtual_reader.h"

namespace felica {

VirtualReader::VirtualReader(CardImage image) : card_(std::move(image)) {}

TransceiveStatus VirtualReader::transceive(std::span<const std::uint8_t> command,
                                           std::vector<std::uint8_t>& answer,
                                           std::chrono::milliseconds) {
    ++commands_;
    answer.clear();
    if (!present_) return TransceiveStatus::NoAnswer;
    auto reply = card_.answer(command);
    if (!reply) return TransceiveStatus::NoAnswer;
    answer = std::move(*reply);
    return TransceiveStatus::Ok;
}

}  // namespace felica
