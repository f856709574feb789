// FeliCa command frames as the reader sends them over the air: LEN first
// (counting itself), the reader chip adds the CRC. One encoder and one checked
// decoder per command. Decoders never read past the answer they are given.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace felica {

using Bytes = std::vector<std::uint8_t>;
using Idm = std::array<std::uint8_t, 8>;
using Pmm = std::array<std::uint8_t, 8>;
using Block = std::array<std::uint8_t, 16>;

namespace cmd {
constexpr std::uint8_t Polling = 0x00;
constexpr std::uint8_t RequestService = 0x02;
constexpr std::uint8_t RequestResponse = 0x04;
constexpr std::uint8_t ReadWithoutEncryption = 0x06;
constexpr std::uint8_t SearchServiceCode = 0x0A;
constexpr std::uint8_t RequestSystemCode = 0x0C;
}  // namespace cmd

// Most nodes in one Request Service, services and blocks in one read.
constexpr std::size_t kMaxRequestNodes = 32;
constexpr std::size_t kMaxReadServices = 16;
// A read answer is 13 + 16n bytes and a frame at most 255: 15 blocks.
constexpr std::size_t kMaxBlocksPerFrame = 15;
constexpr std::size_t kMaxSystems = 16;

enum class DecodeError {
    None,
    Empty,        // no answer at all
    BadLength,    // LEN byte or total length wrong for this answer
    BadCode,      // response code is not command + 1
    IdmMismatch,  // the answer is from another card
    Status,       // status flags report an error (read only)
};

const char* decodeErrorText(DecodeError e);

// One element of a read's block list. Two-byte form when the block number
// fits in a byte, three-byte form otherwise.
struct BlockElement {
    std::uint8_t serviceIndex = 0;  // 0..15
    std::uint8_t accessMode = 0;    // 0..7
    std::uint16_t blockNumber = 0;
};

// Whether `frame` can go to a card: its LEN byte counts the frame, which
// has a command code and fits in 255 bytes. A wrong one would be noise.
bool sendableFrame(std::span<const std::uint8_t> frame);
// Whether `frame` is a Polling command, which a reader chip sends its own way.
inline bool isPollingFrame(std::span<const std::uint8_t> frame) {
    return frame.size() == 6 && frame[1] == cmd::Polling;
}

// --- Polling ------------------------------------------------------------
// systemCode: two bytes in transmission order.
Bytes encodePolling(std::array<std::uint8_t, 2> systemCode, std::uint8_t requestCode,
                    std::uint8_t timeSlot);
struct PollingAnswer {
    Idm idm{};
    Pmm pmm{};
    bool hasRequestData = false;
    std::array<std::uint8_t, 2> requestData{};
};
DecodeError decodePolling(std::span<const std::uint8_t> answer, std::uint8_t requestCode,
                          PollingAnswer& out);

// --- Request Service ----------------------------------------------------
Bytes encodeRequestService(const Idm& idm, std::span<const std::uint16_t> nodes);
DecodeError decodeRequestService(std::span<const std::uint8_t> answer, const Idm& idm,
                                 std::size_t nodeCount, std::vector<std::uint16_t>& keyVersions);

// --- Read Without Encryption -------------------------------------------
Bytes encodeReadWithoutEncryption(const Idm& idm, std::span<const std::uint16_t> services,
                                  std::span<const BlockElement> blocks);
struct ReadAnswer {
    std::uint8_t statusFlag1 = 0;
    std::uint8_t statusFlag2 = 0;
    std::vector<Block> blocks;
};
// Status flags are filled also when the decoder reports DecodeError::Status.
DecodeError decodeReadWithoutEncryption(std::span<const std::uint8_t> answer, const Idm& idm,
                                        std::size_t blockCount, ReadAnswer& out);

// --- Search Service Code -------------------------------------------------
Bytes encodeSearchServiceCode(const Idm& idm, std::uint16_t index);
struct SearchAnswer {
    enum class Kind { Service, Area, End } kind = Kind::End;
    std::uint16_t code = 0;
    std::uint16_t endCode = 0;  // areas only
};
DecodeError decodeSearchServiceCode(std::span<const std::uint8_t> answer, const Idm& idm,
                                    SearchAnswer& out);

// --- Request System Code -------------------------------------------------
Bytes encodeRequestSystemCode(const Idm& idm);
// Codes come back in transmission order, two bytes each.
DecodeError decodeRequestSystemCode(std::span<const std::uint8_t> answer, const Idm& idm,
                                    std::vector<std::array<std::uint8_t, 2>>& codes);

// --- Request Response ----------------------------------------------------
Bytes encodeRequestResponse(const Idm& idm);
DecodeError decodeRequestResponse(std::span<const std::uint8_t> answer, const Idm& idm,
                                  std::uint8_t& mode);

// Upper-case hex of a byte sequence, without separators.
std::string toHex(std::span<const std::uint8_t> bytes);

}  // namespace felica
