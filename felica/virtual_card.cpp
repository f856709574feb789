#include "virtual_card.h"

#include <algorithm>
#include <map>

namespace felica {

namespace {

Bytes header(std::uint8_t code, const SystemImage& sys) {
    Bytes f{0, static_cast<std::uint8_t>(code + 1)};
    f.insert(f.end(), sys.idm.begin(), sys.idm.end());
    return f;
}

Bytes done(Bytes f) {
    f[0] = static_cast<std::uint8_t>(f.size());
    return f;
}

void putLe16(Bytes& f, std::uint16_t v) {
    f.push_back(static_cast<std::uint8_t>(v & 0xFF));
    f.push_back(static_cast<std::uint8_t>(v >> 8));
}

bool matches(std::array<std::uint8_t, 2> sys, std::uint8_t hi, std::uint8_t lo) {
    return (hi == 0xFF || hi == sys[0]) && (lo == 0xFF || lo == sys[1]);
}

}  // namespace

VirtualCard::VirtualCard(CardImage image) : image_(std::move(image)) {
    // Search Service Code walks the nodes in code order, an area before the
    // services it holds.
    for (const auto& sys : image_.systems) {
        std::map<std::uint32_t, Node> nodes;
        for (std::size_t i = 0; i < sys.areas.size(); ++i)
            nodes[static_cast<std::uint32_t>(sys.areas[i].code) << 1] = {true, i};
        for (std::size_t i = 0; i < sys.services.size(); ++i)
            nodes[static_cast<std::uint32_t>(sys.services[i].code) << 1 | 1] = {false, i};
        auto& order = nodeOrder_.emplace_back();
        for (const auto& [key, node] : nodes) order.push_back(node);
    }
}

std::optional<Bytes> VirtualCard::answer(std::span<const std::uint8_t> c) {
    // A frame whose LEN does not match what arrived is noise to a card.
    if (c.size() < 2 || c[0] != c.size()) return std::nullopt;
    if (c[1] == cmd::Polling) return polling(c);
    const SystemImage* sys = addressed(c);
    if (!sys) return std::nullopt;
    switch (c[1]) {
    case cmd::RequestService: return requestService(*sys, c);
    case cmd::RequestResponse: return requestResponse(*sys, c);
    case cmd::ReadWithoutEncryption: return readWithoutEncryption(*sys, c);
    case cmd::SearchServiceCode: return searchServiceCode(*sys, c);
    case cmd::RequestSystemCode: return requestSystemCode(*sys, c);
    default: return std::nullopt;
    }
}

const SystemImage* VirtualCard::addressed(std::span<const std::uint8_t> c) const {
    if (c.size() < 10) return nullptr;
    auto same = [&](const SystemImage& s) { return std::equal(s.idm.begin(), s.idm.end(), c.begin() + 2); };
    if (current_ < image_.systems.size() && same(image_.systems[current_]))
        return &image_.systems[current_];
    for (const auto& s : image_.systems)
        if (same(s)) return &s;
    return nullptr;
}

std::optional<Bytes> VirtualCard::polling(std::span<const std::uint8_t> c) {
    if (c.size() != 6) return std::nullopt;
    const std::uint8_t hi = c[2], lo = c[3], rc = c[4], tsn = c[5];
    if (tsn != 0x00 && tsn != 0x01 && tsn != 0x03 && tsn != 0x07 && tsn != 0x0F) return std::nullopt;
    for (std::size_t i = 0; i < image_.systems.size(); ++i) {
        const SystemImage& sys = image_.systems[i];
        if (!matches(sys.code, hi, lo)) continue;
        current_ = i;
        Bytes f{0, cmd::Polling + 1};
        f.insert(f.end(), sys.idm.begin(), sys.idm.end());
        f.insert(f.end(), image_.pmm.begin(), image_.pmm.end());
        if (rc == 0x01) {
            f.push_back(sys.code[0]);
            f.push_back(sys.code[1]);
        } else if (rc == 0x02) {
            f.push_back(0x00);
            f.push_back(0x83);  // 212 and 424 kbit/s, no automatic detection
        }
        return done(std::move(f));
    }
    return std::nullopt;
}

std::optional<Bytes> VirtualCard::requestService(const SystemImage& sys,
                                                 std::span<const std::uint8_t> c) {
    if (c.size() < 11) return std::nullopt;
    const std::size_t n = c[10];
    if (n < 1 || n > kMaxRequestNodes || c.size() != 11 + 2 * n) return std::nullopt;
    Bytes f = header(cmd::RequestService, sys);
    f.push_back(static_cast<std::uint8_t>(n));
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint16_t node = static_cast<std::uint16_t>(c[11 + 2 * i] | c[12 + 2 * i] << 8);
        std::uint16_t kv = 0xFFFF;
        if (const ServiceImage* s = sys.findService(node)) {
            kv = s->keyVersion;
        } else if (const AreaImage* a = sys.findArea(node)) {
            kv = a->keyVersion;
        }
        putLe16(f, kv);
    }
    return done(std::move(f));
}

std::optional<Bytes> VirtualCard::requestResponse(const SystemImage& sys,
                                                  std::span<const std::uint8_t> c) {
    if (c.size() != 10) return std::nullopt;
    Bytes f = header(cmd::RequestResponse, sys);
    f.push_back(0x00);  // mode 0: not authenticated
    return done(std::move(f));
}

std::optional<Bytes> VirtualCard::readWithoutEncryption(const SystemImage& sys,
                                                        std::span<const std::uint8_t> c) {
    auto refuse = [&](std::uint8_t sf1, std::uint8_t sf2) {
        Bytes f = header(cmd::ReadWithoutEncryption, sys);
        f.push_back(sf1);
        f.push_back(sf2);
        return done(std::move(f));
    };
    if (c.size() < 11) return std::nullopt;
    const std::size_t m = c[10];
    if (m < 1 || m > kMaxReadServices) {
        if (c.size() < 11 + 2 * m) return std::nullopt;
        return refuse(status::NotTiedToElement, status::IllegalServiceCount);
    }
    std::size_t at = 11 + 2 * m;
    if (c.size() < at + 1) return std::nullopt;
    std::vector<std::uint16_t> services;
    for (std::size_t i = 0; i < m; ++i)
        services.push_back(static_cast<std::uint16_t>(c[11 + 2 * i] | c[12 + 2 * i] << 8));
    const std::size_t n = c[at++];
    // Parse the block list first: a frame that does not hold the list it
    // announces is noise.
    struct Element {
        std::size_t service;
        std::uint16_t block;
    };
    std::vector<Element> elements;
    for (std::size_t i = 0; i < n; ++i) {
        if (at >= c.size()) return std::nullopt;
        const std::uint8_t head = c[at];
        if (head & 0x80) {
            if (at + 2 > c.size()) return std::nullopt;
            elements.push_back({static_cast<std::size_t>(head & 0x0F), c[at + 1]});
            at += 2;
        } else {
            if (at + 3 > c.size()) return std::nullopt;
            elements.push_back({static_cast<std::size_t>(head & 0x0F),
                                static_cast<std::uint16_t>(c[at + 1] | c[at + 2] << 8)});
            at += 3;
        }
    }
    if (at != c.size()) return std::nullopt;
    if (n < 1 || n > kMaxBlocksPerFrame || static_cast<int>(n) > image_.maxBlocksPerRead)
        return refuse(status::NotTiedToElement, status::IllegalBlockCount);
    // Every service is checked before any block, as the card resolves its
    // service list first.
    std::vector<const ServiceImage*> resolved;
    for (std::size_t i = 0; i < m; ++i) {
        const ServiceImage* s = sys.findService(services[i]);
        const auto flag = static_cast<std::uint8_t>(1u << std::min<std::size_t>(i, 7));
        if (!s) return refuse(flag, status::IllegalServiceCode);
        if (!s->readable()) return refuse(flag, status::AuthenticationRequired);
        resolved.push_back(s);
    }
    Bytes data;
    for (std::size_t i = 0; i < n; ++i) {
        const auto flag = static_cast<std::uint8_t>(1u << std::min<std::size_t>(i, 7));
        if (elements[i].service >= m) return refuse(flag, status::IllegalBlockList);
        const ServiceImage* s = resolved[elements[i].service];
        if (elements[i].block >= s->blocks.size()) return refuse(flag, status::BlockNumberOutOfRange);
        const Block& b = s->blocks[elements[i].block];
        data.insert(data.end(), b.begin(), b.end());
    }
    Bytes f = header(cmd::ReadWithoutEncryption, sys);
    f.push_back(0x00);
    f.push_back(0x00);
    f.push_back(static_cast<std::uint8_t>(n));
    f.insert(f.end(), data.begin(), data.end());
    return done(std::move(f));
}

std::optional<Bytes> VirtualCard::searchServiceCode(const SystemImage& sys,
                                                    std::span<const std::uint8_t> c) {
    if (c.size() != 12) return std::nullopt;
    const std::size_t index = static_cast<std::size_t>(c[10] | c[11] << 8);
    const auto& order = nodeOrder_[static_cast<std::size_t>(&sys - image_.systems.data())];
    Bytes f = header(cmd::SearchServiceCode, sys);
    if (index >= order.size()) {
        putLe16(f, 0xFFFF);
        return done(std::move(f));
    }
    const Node& node = order[index];
    if (node.isArea) {
        const AreaImage& a = sys.areas[node.index];
        putLe16(f, a.code);
        putLe16(f, a.endCode);
    } else {
        putLe16(f, sys.services[node.index].code);
    }
    return done(std::move(f));
}

std::optional<Bytes> VirtualCard::requestSystemCode(const SystemImage& sys,
                                                    std::span<const std::uint8_t> c) {
    if (c.size() != 10) return std::nullopt;
    Bytes f = header(cmd::RequestSystemCode, sys);
    f.push_back(static_cast<std::uint8_t>(image_.systems.size()));
    for (const auto& s : image_.systems) {
        f.push_back(s.code[0]);
        f.push_back(s.code[1]);
    }
    return done(std::move(f));
}

}  // namespace felica
