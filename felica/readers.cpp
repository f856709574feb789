#include "nfc_transport.h"
#include "reader_directory.h"
#include "port100_transport.h"
#include "pcsc_transport.h"
#include "transport.h"
#include "virtual_reader.h"

#include <mutex>

#include <sys/stat.h>

namespace felica {
namespace {

// The card image last read, by path and by the file's identity and time:
// a Read command opens the reader several times, and the file is parsed
// again only when it changed.
struct ImageCache {
    std::mutex lock;
    std::string path;
    struct stat stamp {};
    std::optional<CardImage> image;
};

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
           a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec &&
           a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

std::optional<CardImage> loadImage(const std::string& path, struct stat& stamp, std::string& error) {
    static ImageCache cache;
    struct stat before {};
    const bool regular = ::stat(path.c_str(), &before) == 0 && S_ISREG(before.st_mode);
    stamp = {};
    std::lock_guard<std::mutex> hold(cache.lock);
    if (regular && cache.image && cache.path == path && sameFile(cache.stamp, before)) {
        stamp = cache.stamp;
        return cache.image;
    }
    auto image = CardImage::load(path, error);
    struct stat after {};
    if (image && regular && ::stat(path.c_str(), &after) == 0 && sameFile(before, after)) {
        cache.path = path;
        cache.stamp = after;
        cache.image = image;
        stamp = after;
    }
    return image;
}

// The virtual reader of a card image file. Like a real device it may be kept
// between the library's opens, for as long as the file stays the same: a
// changed file is a card exchanged on the reader, and gets a fresh reader.
class ImageReader : public VirtualReader {
public:
    ImageReader(CardImage image, std::string path, const struct stat& stamp)
        : VirtualReader(std::move(image)), path_(std::move(path)), stamp_(stamp) {}
    bool reusable() const override { return stamp_.st_ino != 0; }
    bool holdsDevice() const override { return false; }
    bool healthy() const override {
        struct stat now {};
        return ::stat(path_.c_str(), &now) == 0 && sameFile(now, stamp_);
    }

private:
    std::string path_;
    struct stat stamp_;
};

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

// Checks the part after "usb:": BUS:ADDRESS, each 1 to 3 decimal digits.
bool validUsbPlace(const std::string& s) {
    const auto colon = s.find(':');
    if (colon == std::string::npos) return false;
    auto number = [](const std::string& n) {
        return !n.empty() && n.size() <= 3 && n.find_first_not_of("0123456789") == std::string::npos &&
               std::stoi(n) <= 255;
    };
    return number(s.substr(0, colon)) && number(s.substr(colon + 1));
}

}  // namespace

bool checkCardImage(const std::string& path, std::string& error) {
    struct stat stamp {};
    return loadImage(path, stamp, error).has_value();
}

std::unique_ptr<Transport> openTransport(const std::string& name, std::string& error) {
    if (name.rfind("image:", 0) == 0) {
        const std::string path = name.substr(6);
        if (path.empty()) {
            error = "reader \"image:\" names no card image file";
            return nullptr;
        }
        struct stat stamp {};
        auto image = loadImage(path, stamp, error);
        if (!image) return nullptr;
        return std::make_unique<ImageReader>(std::move(*image), path, stamp);
    }
    if (name == "auto") return openAutoTransport(error);
    if (name == "nfc" || name.rfind("nfc:", 0) == 0) {
        const std::string connstring = name == "nfc" ? std::string() : name.substr(4);
        std::string why;
        if (name != "nfc" && !validConnstring(connstring, why)) {
            error = "reader \"" + name.substr(0, 80) + "\" " + why;
            return nullptr;
        }
        return NfcTransport::open(connstring, error);
    }
    if (name == "pcsc" || name.rfind("pcsc:", 0) == 0) {
        if (name == "pcsc:") {
            error = "reader \"pcsc:\" names no PC/SC reader";
            return nullptr;
        }
        return PcscTransport::open(name == "pcsc" ? std::string() : name.substr(5), error);
    }
    if (name == "usb" || name.rfind("usb:", 0) == 0) {
        const std::string place = name == "usb" ? std::string() : name.substr(4);
        if (name != "usb" && !validUsbPlace(place)) {
            error = "reader \"" + name.substr(0, 80) +
                    "\" is no USB reader name (expected usb or usb:BUS:ADDRESS in decimal, e.g. usb:001:004)";
            return nullptr;
        }
        return openUsbReader(place, error);
    }
    error = "unknown reader \"" + name + "\" (expected auto, pcsc, pcsc:NAME, usb, usb:BUS:ADDRESS, nfc, nfc:CONNSTRING or image:PATH)";
    return nullptr;
}

}  // namespace felica
