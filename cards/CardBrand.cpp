#include "CardBrand.h"

#include "ShownText.h"

#include <algorithm>

namespace {

// The services each brand issues that no other brand has, from the service
// lists of real cards of every brand.
const std::vector<CardBrandInfo> kBrands = {
    {u"Suica", {0x1808, 0x180A, 0x18C8, 0x18CA}},
    {u"PASMO", {0x1CC8, 0x1CCA, 0x1D08, 0x1D0A}},
    {u"ICOCA", {0x1A48, 0x1A4A, 0x1A88, 0x1A8A, 0x9608, 0x960A}},
    {u"Kitaca", {0x2088, 0x208B, 0x20C8, 0x20CB, 0x2108, 0x210B, 0x2148, 0x214B, 0x2188, 0x218B}},
    {u"TOICA", {0x1E08, 0x1E0A, 0x1E48, 0x1E4A, 0x1E88, 0x1E8A, 0x1E8B, 0x1ECC, 0x1ECF}},
    {u"manaca", {0x9888, 0x988B, 0x98CC, 0x98CF, 0x9908, 0x990A, 0x9948, 0x994A, 0x9988, 0x998B}},
    {u"SUGOCA", {0x204B, 0x21C8, 0x21CB, 0x2208, 0x220A, 0x2248, 0x224A, 0x2288, 0x228A}},
    {u"nimoca", {0x1F48, 0x1F4A, 0x1FC8, 0x1FCA, 0x2008, 0x200A}},
    {u"はやかけん", {0x2448, 0x244A, 0x2488, 0x248A, 0x24C8, 0x24CA, 0x2508, 0x250A, 0x2548, 0x254A}},
    {u"PiTaPa", {0x1B88, 0x1B8A, 0x9748, 0x974A}},
};

// The brands named in Japanese, for the catalogue: where a brand is shown to
// a person, ShownText gives its Latin form in English.
[[maybe_unused]] const char* const kJapaneseBrands[] = {QT_TRANSLATE_NOOP("Strings", "はやかけん")};

// 0x1A48 (ICOCA), 0x1B88 (PiTaPa) and 0x1CC8 (PASMO) are probe services, so
// they are not asked again. Where a brand has both the keyed and the open
// form of a service, the open one is asked: a card lists both, and lists
// copied from cards without their keyed services still name the brand.
const std::vector<std::uint16_t> kAsked = {
    0x1808, 0x180A, 0x18C8, 0x18CA,  // Suica
    0x1CCA, 0x1D08, 0x1D0A,          // PASMO
    0x1A4A, 0x1A88, 0x9608,          // ICOCA
    0x208B, 0x210B, 0x218B,          // Kitaca
    0x1E08, 0x1E8B, 0x1ECF,          // TOICA
    0x988B, 0x98CF, 0x998B,          // manaca
    0x204B, 0x21CB, 0x2248,          // SUGOCA
    0x1F48, 0x1FC8, 0x2008,          // nimoca
    0x2448, 0x24C8, 0x2548,          // はやかけん
    0x1B8A, 0x9748, 0x974A,          // PiTaPa
};

}  // namespace

const std::vector<CardBrandInfo>& CardBrandTable() { return kBrands; }

const std::vector<std::uint16_t>& BrandProbeServices() { return kAsked; }

QString BrandFromServices(const std::vector<std::uint16_t>& present) {
    const CardBrandInfo* found = nullptr;
    for (const CardBrandInfo& brand : kBrands) {
        const bool has = std::any_of(brand.services.begin(), brand.services.end(), [&](std::uint16_t code) {
            return std::find(present.begin(), present.end(), code) != present.end();
        });
        if (!has) continue;
        if (found) return QString();  // several brands: no brand
        found = &brand;
    }
    return found ? QString::fromUtf16(found->name) : QString();
}
