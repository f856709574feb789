#include "nfc_transport.h"
#include "transport.h"
#include "virtual_reader.h"

namespace felica {
namespace {

// Checks the part after "nfc:"; libnfc gets only names it can take whole.
bool validConnstring(const std::string& s, std::string& why) {
    if (s.empty()) {
        why = "names no libnfc connection string";
        return false;
    }
    if (s.size() > 1023) {
        why = "has a libnfc connection string longer than 1023 characters";
        return false;
    }
    for (unsigned char c : s)
        if (c < 0x20 || c == 0x7F) {
            why = "has a control character in its libnfc connection string";
            return false;
        }
    return true;
}

}  // namespace

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
        const std::string connstring = name == "nfc" ? std::string() : name.substr(4);
        std::string why;
        if (name != "nfc" && !validConnstring(connstring, why)) {
            error = "reader \"" + name.substr(0, 80) + "\" " + why;
            return nullptr;
        }
        return NfcTransport::open(connstring, error);
    }
    error = "unknown reader \"" + name + "\" (expected nfc, nfc:CONNSTRING or image:PATH)";
    return nullptr;
}

}  // namespace felica
