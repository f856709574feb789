// The card image loader over any text. A file it takes must come back the
// same through its own writer; a file it refuses must say why.
#include "card_image.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string error;
    const auto image = felica::CardImage::parse(text, "fuzz.json", error);
    if (!image) {
        if (error.empty()) std::abort();
        return 0;
    }
    const std::string json = image->toJson();
    const auto again = felica::CardImage::parse(json, "again.json", error);
    if (!again || again->toJson() != json) std::abort();
    return 0;
}
