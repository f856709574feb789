// The PC/SC reader's answer parsers over any bytes: R-APDUs of both routes,
// BER-TLV data objects, the feature list and pcscd's reader list.
#include "pcsc_transport.h"

#include <cstdlib>
#include <string>

using namespace felica;

namespace {

void check(bool ok) {
    if (!ok) std::abort();
}

// `framed`: an Ok reply carries the card's frame (else nothing).
void checkReply(const pcsc::Reply& r, std::size_t inputSize, bool framed = true) {
    if (r.status == TransceiveStatus::Ok) check(framed ? !r.frame.empty() && r.frame.size() <= inputSize : r.frame.empty());
    else check(r.frame.empty());
    if (r.status == TransceiveStatus::DeviceGone) check(!r.detail.empty());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> in(data, size);
    std::vector<pcsc::DataObject> objects;
    if (pcsc::parseDataObjects(in, objects)) {
        std::size_t total = 0;
        for (const auto& o : objects) {
            check(o.value.data() >= data && o.value.data() + o.value.size() <= data + size);
            total += o.value.size();
        }
        check(total <= size);
    }
    checkReply(pcsc::parseTransparentExchange(in), size);
    checkReply(pcsc::parseTransparentStatus(in), size, false);
    checkReply(pcsc::parsePn53xPoll(in), size);
    checkReply(pcsc::parsePn53xThru(in), size);
    pcsc::findFeature(in, 0x13);
    const auto names = pcsc::splitReaderList(std::span<const char>(reinterpret_cast<const char*>(data), size));
    std::size_t chars = 0;
    for (const auto& n : names) {
        check(!n.empty() && n.find('\0') == std::string::npos);
        chars += n.size() + 1;
    }
    check(chars <= size + 1);
    return 0;
}
