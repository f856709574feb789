// Readers for the fixed-width fields of a 16-byte card block. `p` points at
// the field's first byte; the caller keeps the field inside the block.
#pragma once

#include <cstdint>

// Two bytes, high byte first.
constexpr int BigEndian16(const std::uint8_t* p) { return p[0] << 8 | p[1]; }

// Three bytes, high byte first.
constexpr int BigEndian24(const std::uint8_t* p) { return p[0] << 16 | p[1] << 8 | p[2]; }

// Four bytes, high byte first, as a two's-complement number: a field with its
// top bit set comes out negative.
constexpr std::int32_t BigEndian32(const std::uint8_t* p) {
    return static_cast<std::int32_t>(std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 |
                                     std::uint32_t{p[2]} << 8 | std::uint32_t{p[3]});
}

// Two bytes, low byte first.
constexpr int LittleEndian16(const std::uint8_t* p) { return p[0] | p[1] << 8; }
