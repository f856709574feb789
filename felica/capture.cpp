#include "capture.h"

#include "felica.h"
#include "library_control.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>

namespace felica {
namespace {

using Outcome = CaptureResult::Outcome;

// Room for 1024 codes in each list of the service search.
constexpr std::uint32_t kSearchBuffer = 2048;
constexpr std::size_t kReadChunk = 12;
// Status flag 2 of a read that names a block past the end of the service.
constexpr std::uint8_t kPastTheEnd = 0xA8;

std::string hex16(std::uint16_t v) {
    char b[8];
    std::snprintf(b, sizeof b, "%04X", v);
    return b;
}

struct Failure {
    Outcome outcome;
    std::string error;
};

class Walk {
public:
    Walk(const CaptureProgressFn& progress, const std::atomic<bool>* cancel)
        : progress_(progress), cancel_(cancel) {}

    CaptureResult run();

private:
    bool cancelled() const { return cancel_ && cancel_->load(); }
    void say(const std::string& message) {
        if (progress_) progress_({message, done_, known_});
    }
    // The failure after a library call that did not succeed.
    Failure failure(const std::string& what) const {
        int error = 0;
        get_last_error_type(&error);
        const std::string text = what + ": " + lastErrorDetail();
        switch (error) {
        case FELICA_ERROR_NO_CARD:
        case FELICA_ERROR_NO_ANSWER:
        case FELICA_ERROR_IDM_MISMATCH:
            return {Outcome::CardLost, text};
        default:
            return {Outcome::Failed, text};
        }
    }

    std::optional<Failure> walkSystem(SystemImage& sys);
    std::optional<Failure> keyVersions(SystemImage& sys);
    std::optional<Failure> walkBlocks(const SystemImage& sys, ServiceImage& service);
    std::optional<Failure> probeBlocksPerRead(CardImage& image);
    // Reads blocks first .. first+count-1; false with the card's refusal in
    // `refused` (true) or another failure (refused false).
    bool read(const Idm& idm, std::uint16_t service, std::size_t first, std::size_t count,
              std::vector<Block>& out, bool& refused, std::uint8_t& sf2);

    const CaptureProgressFn& progress_;
    const std::atomic<bool>* cancel_;
    std::size_t done_ = 0, known_ = 0;
};

CaptureResult Walk::run() {
    CaptureResult result;
    if (!open_reader_writer_auto()) {
        result.outcome = Outcome::NoReader;
        result.error = "the reader/writer could not be opened: " + lastErrorDetail();
        return result;
    }
    struct Closer {
        ~Closer() { close_reader_writer(); }
    } closer;
    set_retry_count(2);
    set_check_idm_flag(0);

    CardImage& image = result.image;
    std::uint8_t any[2] = {0xFF, 0xFF};
    PollingRecord polling{any, 0};
    std::uint8_t codes[2 * kMaxSystems] = {};
    SystemCodeRequest request{image.idm.data()};
    SystemCodeResponse response{0, codes};
    CardRecord card{image.idm.data(), image.pmm.data()};
    say("asking the card for its systems");
    if (!polling_and_request_system_code(&polling, &request, &card, &response)) {
        Failure f = failure("request system code");
        int error = 0;
        get_last_error_type(&error);
        result.outcome = error == FELICA_ERROR_NO_CARD ? Outcome::NoCard : f.outcome;
        result.error = f.error;
        return result;
    }
    if (response.systemCodeCount == 0 || response.systemCodeCount > kMaxSystems) {
        result.outcome = Outcome::Failed;
        result.error = "the card lists " + std::to_string(response.systemCodeCount) + " systems";
        return result;
    }
    say("card " + toHex(image.idm) + ", PMm " + toHex(image.pmm) + ", " +
        std::to_string(response.systemCodeCount) + " system(s)");
    for (std::size_t i = 0; i < response.systemCodeCount; ++i) {
        SystemImage sys;
        sys.code = {codes[2 * i], codes[2 * i + 1]};
        if (auto f = walkSystem(sys)) {
            result.outcome = f->outcome;
            result.error = f->error;
            result.image = {};
            return result;
        }
        sys.ownIdm = sys.idm != image.idm;
        image.systems.push_back(std::move(sys));
    }
    if (auto f = probeBlocksPerRead(image)) {
        result.outcome = f->outcome;
        result.error = f->error;
        result.image = {};
        return result;
    }
    result.outcome = Outcome::Captured;
    say("captured " + std::to_string(done_) + " service(s)");
    return result;
}

std::optional<Failure> Walk::walkSystem(SystemImage& sys) {
    if (cancelled()) return Failure{Outcome::Cancelled, "the capture was cancelled"};
    const std::string name = toHex(sys.code);
    // The search polls with the system's code, which gives its own IDm.
    std::vector<std::uint8_t> services(kSearchBuffer), areas(kSearchBuffer), ends(kSearchBuffer);
    PollingRecord polling{sys.code.data(), 0};
    Pmm pmm{};
    CardRecord card{sys.idm.data(), pmm.data()};
    SearchServiceRecord search{kSearchBuffer, kSearchBuffer, 0};
    SearchServiceResponse found{0, services.data(), 0, areas.data(), ends.data()};
    if (!polling_and_search_service_code(&polling, &search, &card, &found))
        return failure("system " + name + ": search service code");
    for (std::uint32_t i = 0; i < found.areaCount; ++i)
        sys.areas.push_back({static_cast<std::uint16_t>(areas[2 * i] | areas[2 * i + 1] << 8),
                             static_cast<std::uint16_t>(ends[2 * i] | ends[2 * i + 1] << 8), 0});
    for (std::uint32_t i = 0; i < found.serviceCount; ++i) {
        ServiceImage s;
        s.code = static_cast<std::uint16_t>(services[2 * i] | services[2 * i + 1] << 8);
        sys.services.push_back(std::move(s));
    }
    known_ += sys.services.size();
    say("system " + name + " (IDm " + toHex(sys.idm) + "): " + std::to_string(sys.areas.size()) + " area(s), " +
        std::to_string(sys.services.size()) + " service(s)");
    if (auto f = keyVersions(sys)) return f;
    for (ServiceImage& s : sys.services) {
        if (cancelled()) return Failure{Outcome::Cancelled, "the capture was cancelled"};
        if (auto f = walkBlocks(sys, s)) return f;
        ++done_;
        if (!ServiceImage::attributeWithoutKey(s.code))
            say("service " + hex16(s.code) + ": needs a key");
        else if (!s.hasBlocks)
            say("service " + hex16(s.code) + ": the card refuses to read it");
        else
            say("service " + hex16(s.code) + ": " + std::to_string(s.blocks.size()) + " block(s)");
    }
    return std::nullopt;
}

std::optional<Failure> Walk::keyVersions(SystemImage& sys) {
    // Areas first, then services, up to 32 nodes a request.
    std::vector<std::uint16_t> nodes;
    for (const auto& a : sys.areas) nodes.push_back(a.code);
    for (const auto& s : sys.services) nodes.push_back(s.code);
    std::vector<std::uint16_t> keys;
    for (std::size_t at = 0; at < nodes.size(); at += kMaxRequestNodes) {
        if (cancelled()) return Failure{Outcome::Cancelled, "the capture was cancelled"};
        const std::size_t n = std::min(kMaxRequestNodes, nodes.size() - at);
        std::uint8_t list[2 * kMaxRequestNodes], answer[2 * kMaxRequestNodes];
        for (std::size_t i = 0; i < n; ++i) {
            list[2 * i] = static_cast<std::uint8_t>(nodes[at + i] & 0xFF);
            list[2 * i + 1] = static_cast<std::uint8_t>(nodes[at + i] >> 8);
        }
        PollingRecord polling{sys.code.data(), 0};
        Idm idm{};
        Pmm pmm{};
        CardRecord card{idm.data(), pmm.data()};
        RequestServiceRecord request{sys.idm.data(), static_cast<std::uint8_t>(n), list};
        std::uint8_t count = 0;
        RequestServiceResponse response{&count, answer};
        if (!polling_and_request_service(&polling, &request, &card, &response))
            return failure("system " + toHex(sys.code) + ": request service");
        if (idm != sys.idm) return Failure{Outcome::CardLost, "another card lies on the reader"};
        for (std::size_t i = 0; i < n; ++i)
            keys.push_back(static_cast<std::uint16_t>(answer[2 * i] | answer[2 * i + 1] << 8));
    }
    for (std::size_t i = 0; i < sys.areas.size(); ++i) sys.areas[i].keyVersion = keys[i];
    for (std::size_t i = 0; i < sys.services.size(); ++i)
        sys.services[i].keyVersion = keys[sys.areas.size() + i];
    return std::nullopt;
}

bool Walk::read(const Idm& idm, std::uint16_t service, std::size_t first, std::size_t count,
                std::vector<Block>& out, bool& refused, std::uint8_t& sf2) {
    std::uint8_t code[2] = {static_cast<std::uint8_t>(service & 0xFF), static_cast<std::uint8_t>(service >> 8)};
    std::vector<std::uint8_t> list;
    for (std::size_t i = 0; i < count; ++i) {
        list.push_back(0x80);
        list.push_back(static_cast<std::uint8_t>(first + i));
    }
    std::vector<std::uint8_t> data(16 * count);
    Idm copy = idm;
    ReadBlockRecord request{copy.data(), 1, code, static_cast<std::uint8_t>(count), list.data()};
    std::uint8_t sf1 = 0, got = 0;
    sf2 = 0;
    ReadBlockResponse response{&sf1, &sf2, &got, data.data()};
    if (!read_block_without_encryption(&request, &response)) {
        int error = 0;
        get_last_error_type(&error);
        refused = error == FELICA_ERROR_CARD_STATUS;
        return false;
    }
    out.clear();
    for (std::size_t i = 0; i < count; ++i) {
        Block b;
        std::memcpy(b.data(), data.data() + 16 * i, 16);
        out.push_back(b);
    }
    return true;
}

std::optional<Failure> Walk::walkBlocks(const SystemImage& sys, ServiceImage& service) {
    if (!ServiceImage::attributeWithoutKey(service.code)) return std::nullopt;
    // The block count is found by reading until the card refuses a block as
    // past the end: whole chunks while they succeed, then halving the chunk
    // that was refused (a read of n blocks succeeds exactly when all n exist).
    const std::string what = "service " + hex16(service.code) + ": read";
    std::vector<Block> got;
    std::size_t next = 0;
    bool refused = false;
    std::uint8_t sf2 = 0;
    while (next < kMaxCapturedBlocks) {
        if (cancelled()) return Failure{Outcome::Cancelled, "the capture was cancelled"};
        const std::size_t k = std::min(kReadChunk, kMaxCapturedBlocks - next);
        if (read(sys.idm, service.code, next, k, got, refused, sf2)) {
            service.blocks.insert(service.blocks.end(), got.begin(), got.end());
            next += k;
            continue;
        }
        if (!refused) return failure(what);
        std::size_t good = 0, bad = k;
        std::vector<Block> best;
        while (bad - good > 1) {
            if (cancelled()) return Failure{Outcome::Cancelled, "the capture was cancelled"};
            const std::size_t mid = (good + bad) / 2;
            if (read(sys.idm, service.code, next, mid, got, refused, sf2)) {
                good = mid;
                best = got;
            } else if (refused) {
                bad = mid;
            } else {
                return failure(what);
            }
        }
        // Block 0 refused as anything but past the end (the last read tried
        // it alone): the card does not let the service be read at all.
        if (next == 0 && good == 0 && sf2 != kPastTheEnd) return std::nullopt;
        service.blocks.insert(service.blocks.end(), best.begin(), best.end());
        break;
    }
    service.hasBlocks = true;
    return std::nullopt;
}

std::optional<Failure> Walk::probeBlocksPerRead(CardImage& image) {
    // How many blocks the card takes in one read: the library reads in
    // smaller pieces once the card refuses a read as too long, so a read of k
    // blocks that leaves the library's limit at k went in one frame. Found
    // on the longest service; the card takes k whenever it takes more.
    const SystemImage* sys = nullptr;
    const ServiceImage* longest = nullptr;
    for (const auto& s : image.systems)
        for (const auto& v : s.services)
            if (v.hasBlocks && (!longest || v.blocks.size() > longest->blocks.size())) {
                sys = &s;
                longest = &v;
            }
    if (!longest || longest->blocks.size() < 2) return std::nullopt;
    const std::size_t top = std::min(kMaxBlocksPerFrame, longest->blocks.size());
    std::size_t lo = 1, hi = top;
    std::vector<Block> got;
    bool refused = false;
    std::uint8_t sf2 = 0;
    while (lo < hi) {
        if (cancelled()) return Failure{Outcome::Cancelled, "the capture was cancelled"};
        const std::size_t mid = (lo + hi + 1) / 2;
        setBlocksPerRead(mid);
        if (!read(sys->idm, longest->code, 0, mid, got, refused, sf2))
            return failure("service " + hex16(longest->code) + ": read");
        if (blocksPerRead() == mid) lo = mid;
        else hi = mid - 1;
    }
    // A card that took all it was asked may take more than was asked.
    image.maxBlocksPerRead = static_cast<int>(lo == top && top <= kReadChunk ? CardImage::kDefaultMaxBlocksPerRead : lo);
    say("the card reads up to " + std::to_string(lo) + (lo == top ? " (or more)" : "") + " blocks at once");
    return std::nullopt;
}

}  // namespace

CaptureResult captureCard(const CaptureProgressFn& progress, const std::atomic<bool>* cancel) {
    Walk walk(progress, cancel);
    return walk.run();
}

}  // namespace felica
