#include "SameAnswers.h"

#include "frames.h"
#include "virtual_card.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace test {
namespace {

using felica::Bytes;

void addReads(std::vector<Bytes>& frames, const felica::Idm& idm, const felica::SystemImage& sys) {
    using felica::BlockElement;
    std::vector<std::uint16_t> codes;
    for (const auto& s : sys.services) codes.push_back(s.code);
    codes.push_back(0x1234);  // a service the card lacks
    for (std::uint16_t code : codes) {
        const felica::ServiceImage* s = sys.findService(code);
        const std::size_t n = s ? s->blocks.size() : 0;
        const std::uint16_t one[] = {code};
        // Every block alone, and the two past the end.
        for (std::size_t b = 0; b < n + 2 && b < 300; ++b) {
            const BlockElement e{0, 0, static_cast<std::uint16_t>(b)};
            frames.push_back(felica::encodeReadWithoutEncryption(idm, one, std::span(&e, 1)));
        }
        // Runs of 1 to 15 blocks from the start, and a run across the end.
        for (std::size_t k = 1; k <= 15; ++k) {
            std::vector<BlockElement> run;
            for (std::size_t b = 0; b < k; ++b) run.push_back({0, 0, static_cast<std::uint16_t>(b)});
            frames.push_back(felica::encodeReadWithoutEncryption(idm, one, run));
            run.clear();
            for (std::size_t b = 0; b < k; ++b)
                run.push_back({0, 0, static_cast<std::uint16_t>(n >= k / 2 ? n - k / 2 + b : b)});
            frames.push_back(felica::encodeReadWithoutEncryption(idm, one, run));
        }
    }
    // Two services in one read.
    if (sys.services.size() >= 2) {
        const std::uint16_t two[] = {sys.services[0].code, sys.services[1].code};
        const BlockElement e[] = {{0, 0, 0}, {1, 0, 0}};
        frames.push_back(felica::encodeReadWithoutEncryption(idm, two, e));
    }
}

std::vector<Bytes> battery(const felica::CardImage& card) {
    std::vector<Bytes> frames;
    for (std::uint8_t rc : {0, 1, 2}) {
        frames.push_back(felica::encodePolling({0xFF, 0xFF}, rc, 0));
        frames.push_back(felica::encodePolling({0xAB, 0xCD}, rc, 0));
    }
    for (const auto& sys : card.systems) {
        for (std::uint8_t rc : {0, 1, 2}) frames.push_back(felica::encodePolling(sys.code, rc, 0));
        frames.push_back(felica::encodePolling({sys.code[0], 0xFF}, 1, 0));
        frames.push_back(felica::encodePolling({0xFF, sys.code[1]}, 1, 3));
        const felica::Idm& idm = sys.idm;
        frames.push_back(felica::encodeRequestSystemCode(idm));
        frames.push_back(felica::encodeRequestResponse(idm));
        const std::size_t nodes = sys.areas.size() + sys.services.size();
        for (std::size_t i = 0; i < nodes + 3; ++i)
            frames.push_back(felica::encodeSearchServiceCode(idm, static_cast<std::uint16_t>(i)));
        std::vector<std::uint16_t> all;
        for (const auto& a : sys.areas) all.push_back(a.code);
        for (const auto& s : sys.services) all.push_back(s.code);
        all.push_back(0x1234);
        for (std::uint16_t node : all) frames.push_back(felica::encodeRequestService(idm, std::span(&node, 1)));
        for (std::size_t at = 0; at < all.size(); at += felica::kMaxRequestNodes) {
            const std::size_t n = std::min(felica::kMaxRequestNodes, all.size() - at);
            frames.push_back(felica::encodeRequestService(idm, std::span(all.data() + at, n)));
        }
        addReads(frames, idm, sys);
        // Polled into this system, then asked with the card's first IDm.
        frames.push_back(felica::encodePolling(sys.code, 0, 0));
        frames.push_back(felica::encodeRequestSystemCode(card.idm));
    }
    return frames;
}

}  // namespace

std::size_t expectSameAnswers(const felica::CardImage& expected, const felica::CardImage& actual) {
    felica::VirtualCard a(expected), b(actual);
    const auto frames = battery(expected);
    int reported = 0;
    for (const Bytes& f : frames) {
        const auto x = a.answer(f), y = b.answer(f);
        if (x == y) continue;
        if (++reported <= 10)
            ADD_FAILURE() << "frame " << felica::toHex(f) << ": expected "
                          << (x ? felica::toHex(*x) : std::string("silence")) << ", got "
                          << (y ? felica::toHex(*y) : std::string("silence"));
    }
    if (reported > 10) ADD_FAILURE() << reported << " frames answered differently";
    return frames.size();
}

}  // namespace test
