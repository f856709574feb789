#include "frames.h"

#include <algorithm>

namespace felica {

namespace {

// Starts a frame: room for LEN, the command code and the IDm.
Bytes begin(std::uint8_t code, const Idm& idm) {
    Bytes f;
    f.reserve(32);
    f.push_back(0);
    f.push_back(code);
    f.insert(f.end(), idm.begin(), idm.end());
    return f;
}

Bytes finish(Bytes f) {
    f[0] = static_cast<std::uint8_t>(f.size());
    return f;
}

void putLe16(Bytes& f, std::uint16_t v) {
    f.push_back(static_cast<std::uint8_t>(v & 0xFF));
    f.push_back(static_cast<std::uint8_t>(v >> 8));
}

std::uint16_t le16(std::span<const std::uint8_t> s, std::size_t at) {
    return static_cast<std::uint16_t>(s[at] | (s[at + 1] << 8));
}

// Checks what every answer but Polling's shares: LEN equals the length,
// the code is the command's plus one and the IDm is echoed.
DecodeError checkHeader(std::span<const std::uint8_t> a, std::uint8_t command, const Idm& idm,
                        std::size_t minLength) {
    if (a.empty()) return DecodeError::Empty;
    if (a.size() < minLength || a[0] != a.size()) return DecodeError::BadLength;
    if (a[1] != command + 1) return DecodeError::BadCode;
    if (!std::equal(idm.begin(), idm.end(), a.begin() + 2)) return DecodeError::IdmMismatch;
    return DecodeError::None;
}

}  // namespace

const char* decodeErrorText(DecodeError e) {
    switch (e) {
    case DecodeError::None: return "no error";
    case DecodeError::Empty: return "no answer";
    case DecodeError::BadLength: return "answer of the wrong length";
    case DecodeError::BadCode: return "answer with the wrong response code";
    case DecodeError::IdmMismatch: return "answer from another card";
    case DecodeError::Status: return "card reported an error status";
    }
    return "unknown error";
}

Bytes encodePolling(std::array<std::uint8_t, 2> systemCode, std::uint8_t requestCode,
                    std::uint8_t timeSlot) {
    return Bytes{0x06, cmd::Polling, systemCode[0], systemCode[1], requestCode, timeSlot};
}

DecodeError decodePolling(std::span<const std::uint8_t> a, std::uint8_t requestCode,
                          PollingAnswer& out) {
    if (a.empty()) return DecodeError::Empty;
    const std::size_t expected = requestCode == 0 ? 18 : 20;
    // A card may append request data even when none was asked for.
    if (a[0] != a.size() || (a.size() != 18 && a.size() != 20) ||
        (requestCode != 0 && a.size() != expected))
        return DecodeError::BadLength;
    if (a[1] != cmd::Polling + 1) return DecodeError::BadCode;
    std::copy_n(a.begin() + 2, 8, out.idm.begin());
    std::copy_n(a.begin() + 10, 8, out.pmm.begin());
    out.hasRequestData = a.size() == 20;
    if (out.hasRequestData) {
        out.requestData = {a[18], a[19]};
    }
    return DecodeError::None;
}

Bytes encodeRequestService(const Idm& idm, std::span<const std::uint16_t> nodes) {
    Bytes f = begin(cmd::RequestService, idm);
    f.push_back(static_cast<std::uint8_t>(nodes.size()));
    for (auto n : nodes) putLe16(f, n);
    return finish(std::move(f));
}

DecodeError decodeRequestService(std::span<const std::uint8_t> a, const Idm& idm,
                                 std::size_t nodeCount, std::vector<std::uint16_t>& keyVersions) {
    if (auto e = checkHeader(a, cmd::RequestService, idm, 11); e != DecodeError::None) return e;
    if (a[10] != nodeCount || a.size() != 11 + 2 * nodeCount) return DecodeError::BadLength;
    keyVersions.clear();
    for (std::size_t i = 0; i < nodeCount; ++i) keyVersions.push_back(le16(a, 11 + 2 * i));
    return DecodeError::None;
}

Bytes encodeReadWithoutEncryption(const Idm& idm, std::span<const std::uint16_t> services,
                                  std::span<const BlockElement> blocks) {
    Bytes f = begin(cmd::ReadWithoutEncryption, idm);
    f.push_back(static_cast<std::uint8_t>(services.size()));
    for (auto s : services) putLe16(f, s);
    f.push_back(static_cast<std::uint8_t>(blocks.size()));
    for (const auto& b : blocks) {
        const std::uint8_t head =
            static_cast<std::uint8_t>(((b.accessMode & 7) << 4) | (b.serviceIndex & 0x0F));
        if (b.blockNumber <= 0xFF) {
            f.push_back(static_cast<std::uint8_t>(0x80 | head));
            f.push_back(static_cast<std::uint8_t>(b.blockNumber));
        } else {
            f.push_back(head);
            putLe16(f, b.blockNumber);
        }
    }
    return finish(std::move(f));
}

DecodeError decodeReadWithoutEncryption(std::span<const std::uint8_t> a, const Idm& idm,
                                        std::size_t blockCount, ReadAnswer& out) {
    if (auto e = checkHeader(a, cmd::ReadWithoutEncryption, idm, 12); e != DecodeError::None)
        return e;
    out.statusFlag1 = a[10];
    out.statusFlag2 = a[11];
    out.blocks.clear();
    if (out.statusFlag1 != 0) {
        return a.size() == 12 ? DecodeError::Status : DecodeError::BadLength;
    }
    if (a.size() < 13 || a[12] != blockCount || a.size() != 13 + 16 * blockCount)
        return DecodeError::BadLength;
    for (std::size_t i = 0; i < blockCount; ++i) {
        Block b;
        std::copy_n(a.begin() + 13 + 16 * i, 16, b.begin());
        out.blocks.push_back(b);
    }
    return DecodeError::None;
}

Bytes encodeSearchServiceCode(const Idm& idm, std::uint16_t index) {
    Bytes f = begin(cmd::SearchServiceCode, idm);
    putLe16(f, index);
    return finish(std::move(f));
}

DecodeError decodeSearchServiceCode(std::span<const std::uint8_t> a, const Idm& idm,
                                    SearchAnswer& out) {
    if (auto e = checkHeader(a, cmd::SearchServiceCode, idm, 12); e != DecodeError::None) return e;
    if (a.size() == 12) {
        const std::uint16_t code = le16(a, 10);
        out.kind = code == 0xFFFF ? SearchAnswer::Kind::End : SearchAnswer::Kind::Service;
        out.code = code;
        out.endCode = 0;
        return DecodeError::None;
    }
    if (a.size() == 14) {
        out.kind = SearchAnswer::Kind::Area;
        out.code = le16(a, 10);
        out.endCode = le16(a, 12);
        return DecodeError::None;
    }
    return DecodeError::BadLength;
}

Bytes encodeRequestSystemCode(const Idm& idm) {
    return finish(begin(cmd::RequestSystemCode, idm));
}

DecodeError decodeRequestSystemCode(std::span<const std::uint8_t> a, const Idm& idm,
                                    std::vector<std::array<std::uint8_t, 2>>& codes) {
    if (auto e = checkHeader(a, cmd::RequestSystemCode, idm, 11); e != DecodeError::None) return e;
    const std::size_t n = a[10];
    if (n == 0 || n > kMaxSystems || a.size() != 11 + 2 * n) return DecodeError::BadLength;
    codes.clear();
    for (std::size_t i = 0; i < n; ++i) codes.push_back({a[11 + 2 * i], a[12 + 2 * i]});
    return DecodeError::None;
}

Bytes encodeRequestResponse(const Idm& idm) {
    return finish(begin(cmd::RequestResponse, idm));
}

DecodeError decodeRequestResponse(std::span<const std::uint8_t> a, const Idm& idm,
                                  std::uint8_t& mode) {
    if (auto e = checkHeader(a, cmd::RequestResponse, idm, 11); e != DecodeError::None) return e;
    if (a.size() != 11) return DecodeError::BadLength;
    mode = a[10];
    return DecodeError::None;
}

std::string toHex(std::span<const std::uint8_t> bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string s;
    s.reserve(bytes.size() * 2);
    for (auto b : bytes) {
        s.push_back(digits[b >> 4]);
        s.push_back(digits[b & 0x0F]);
    }
    return s;
}

bool sendableFrame(std::span<const std::uint8_t> frame) {
    return frame.size() >= 2 && frame.size() <= 255 && frame[0] == frame.size();
}

}  // namespace felica
