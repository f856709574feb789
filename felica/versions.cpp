// The versions of the libraries the reader routes use, for the About box.
#include "library_control.h"

#include <libusb.h>
#include <nfc/nfc.h>

namespace felica {

std::string readerLibraryVersions() {
    std::string text = "libnfc ";
    text += nfc_version();
    const libusb_version* usb = libusb_get_version();
    text += ", libusb " + std::to_string(usb->major) + "." + std::to_string(usb->minor) + "." +
            std::to_string(usb->micro);
    return text;
}

}  // namespace felica
