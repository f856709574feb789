// The RC-S380 driver over any bytes from the chip: the input is cut into
// transfers (a length byte, then that many bytes; length 0 is a read that
// times out, as the drain after a reset needs), which answer the open
// sequence, a poll and a read in turn. Parsing each transfer on its own
// comes first.
#include "port100_transport.h"

#include <cstddef>

namespace {

class ScriptedChannel : public felica::BulkChannel {
public:
    ScriptedChannel(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool send(std::span<const std::uint8_t>, std::chrono::milliseconds) override { return true; }
    Status receive(felica::Bytes& out, std::chrono::milliseconds) override {
        out.clear();
        if (at_ >= size_) return Status::Failed;
        const std::size_t want = data_[at_++];
        const std::size_t n = std::min(want, size_ - at_);
        out.assign(data_ + at_, data_ + at_ + n);
        at_ += n;
        return n == 0 ? Status::Timeout : Status::Ok;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    felica::port100::parseFrame({data, size});
    std::string error;
    auto t = felica::Port100Transport::open(std::make_unique<ScriptedChannel>(data, size), "fuzz", error);
    if (!t) return 0;
    felica::Bytes answer;
    const std::uint8_t poll[6] = {0x06, 0x00, 0xFF, 0xFF, 0x01, 0x00};
    t->transceive(poll, answer, std::chrono::milliseconds(10));
    const std::uint8_t read[16] = {0x10, 0x06, 1, 2, 3, 4, 5, 6, 7, 8, 0x01, 0x0F, 0x09, 0x01, 0x80, 0x00};
    t->transceive(read, answer, std::chrono::milliseconds(50));
    return 0;
}
