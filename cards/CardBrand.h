// The brand of a Suica-family card. Every brand issues services of its own in
// system 00 03 (codes from 0x1800 up, locked ones included) beside those all
// brands share; a card is named by the services that only one brand has.
// Exactly one brand matching names the card; none or several name none.
#pragma once

#include <QString>

#include <cstdint>
#include <vector>

struct CardBrandInfo {
    const char16_t* name;                   // "Suica", "PASMO", ... as kept (shown through ShownText)
    std::vector<std::uint16_t> services;    // the services only this brand issues
};

// The ten brands with the service codes unique to each.
const std::vector<CardBrandInfo>& CardBrandTable();

// The codes a read asks the card about in one Request Service (at most 32):
// a few of each brand's set, one from each of its services where it has
// several, beside the probe services the card is asked about anyway.
const std::vector<std::uint16_t>& BrandProbeServices();

// The brand of a card that has the services `present`: the one brand with
// any of its unique services among them, or empty for none or several.
QString BrandFromServices(const std::vector<std::uint16_t>& present);
