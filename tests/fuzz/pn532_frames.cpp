// The PN532 emulator's host frame parser over any bytes on the serial line,
// with a card in the field, so that well-formed frames reach the card too.
#include "pn532_emulator.h"

#include <cstdio>
#include <cstdlib>

namespace {

const felica::CardImage& card() {
    static const felica::CardImage image = [] {
        std::string error;
        auto parsed = felica::CardImage::parse(R"({"format": "kuvora-card-image", "version": 1,
            "idm": "0123456789ABCDEF", "pmm": "0120220427674EFF", "maxBlocksPerRead": 4,
            "systems": [{"code": "0003", "areas": ["0000"], "services": [
                {"code": "090F", "blocks": ["160100022A1B2C3D0000000000000100",
                                            "00000000000000000000000000000000"]},
                {"code": "1848", "keyVersion": "0100"}]}]})",
                                               "pn532-fuzz-card", error);
        if (!parsed) {
            std::fprintf(stderr, "%s\n", error.c_str());
            std::abort();
        }
        return *parsed;
    }();
    return image;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    pn532::Emulator chip(card());
    chip.receive(data, size);
    return 0;
}
