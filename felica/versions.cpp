// The versions of the libraries the reader routes use, for the About box.
#include "library_control.h"

#include <nfc/nfc.h>

namespace felica {

std::string readerLibraryVersions() {
    std::string text = "libnfc ";
    text += nfc_version();
    return text;
}

}  // namespace felica
