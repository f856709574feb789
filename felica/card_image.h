// Card image files: one FeliCa card as the reader sees it, as JSON.
//
// {
//   "format": "kuvora-card-image", "version": 1,
//   "idm": "0123456789ABCDEF", "pmm": "0120220427674EFF",
//   "maxBlocksPerRead": 12,                      (optional)
//   "systems": [ { "code": "0003", "idm": "...",  (idm optional)
//       "areas": ["0000", {"code": "1000", "end": "17FF", "keyVersion": "0000"}],
//       "services": [ { "code": "090F", "keyVersion": "0000", "blocks": ["<32 hex>", ...] } ] } ]
// }
#pragma once

#include "frames.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace felica {

struct AreaImage {
    std::uint16_t code = 0;
    std::uint16_t endCode = 0;
    std::uint16_t keyVersion = 0;
};

struct ServiceImage {
    std::uint16_t code = 0;
    std::uint16_t keyVersion = 0;
    bool hasBlocks = false;
    std::vector<Block> blocks;

    // The low six bits say whether the service can be read without a key.
    static bool attributeWithoutKey(std::uint16_t code);
    // A service answers Read Without Encryption when its attribute needs no
    // key and its blocks are known.
    bool readable() const { return hasBlocks && attributeWithoutKey(code); }
};

struct SystemImage {
    std::array<std::uint8_t, 2> code{};  // transmission order
    Idm idm{};
    bool ownIdm = false;  // idm given in the file, not copied from the card
    std::vector<AreaImage> areas;
    std::vector<ServiceImage> services;

    const ServiceImage* findService(std::uint16_t code) const;
    const AreaImage* findArea(std::uint16_t code) const;
};

struct CardImage {
    static constexpr int kDefaultMaxBlocksPerRead = 12;
    static constexpr std::size_t kMaxFileSize = 16 * 1024 * 1024;

    Idm idm{};
    Pmm pmm{};
    int maxBlocksPerRead = kDefaultMaxBlocksPerRead;
    std::vector<SystemImage> systems;

    // The end code an area gets when the file names only its code.
    static std::uint16_t defaultEndCode(std::uint16_t areaCode);

    // Parses `json`; `source` names the file in error messages. On failure
    // `error` holds one message naming the file and the field.
    static std::optional<CardImage> parse(std::string_view json, const std::string& source,
                                          std::string& error);
    static std::optional<CardImage> load(const std::string& path, std::string& error);

    std::string toJson() const;
    bool save(const std::string& path, std::string& error) const;
};

}  // namespace felica
