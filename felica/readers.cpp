#include "transport.h"
#include "virtual_reader.h"

namespace felica {

std::unique_ptr<Transport> openTransport(const std::string& name, std::string& error) {
    if (name.rfind("image:", 0) == 0) {
        const std::string path = name.substr(6);
        if (path.empty()) {
            error = "reader \"image:\" names no card image file";
            return nullptr;
        }
        auto image = CardImage::load(path, error);
        if (!image) return nullptr;
        return std::make_unique<VirtualReader>(std::move(*image));
    }
    if (name == "nfc" || name.rfind("nfc:", 0) == 0) {
        error = "reader \"" + name + "\": this build has no libnfc reader support";
        return nullptr;
    }
    error = "unknown reader \"" + name + "\" (expected nfc, nfc:CONNSTRING or image:PATH)";
    return nullptr;
}

}  // namespace felica
