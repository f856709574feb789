// The brand of a Suica-family card: told from the services only one brand
// issues, asked in one Request Service after the history.
#include "CSuica.h"
#include "CardBrand.h"
#include "TestSupport.h"
#include "library_control.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

// The system 00 03 services of real cards of each brand from 0x1800 up,
// locked ones included; the first ones are those every brand has.
const std::vector<std::uint16_t> kShared = {0x1848, 0x184B, 0x1908, 0x190A, 0x1948, 0x194B, 0x1988, 0x198B,
                                            0x2308, 0x230A, 0x2348, 0x234B, 0x2388, 0x238B, 0x23C8, 0x23CB};

struct BrandCase {
    const char* brand;  // "" for none
    std::vector<std::uint16_t> services;
};

const BrandCase kCards[] = {
    {"Suica", {0x1808, 0x180A, 0x1848, 0x184B, 0x18C8, 0x18CA, 0x1908, 0x190A, 0x1948, 0x194B, 0x1988, 0x198B,
               0x2308, 0x230A, 0x2348, 0x234B, 0x2388, 0x238B, 0x23C8, 0x23CB}},
    {"PASMO", {0x1848, 0x184B, 0x1908, 0x190A, 0x1948, 0x194B, 0x1988, 0x198B, 0x1CC8, 0x1CCA, 0x1D08, 0x1D0A,
               0x2308, 0x230A, 0x2348, 0x234B, 0x2388, 0x238B, 0x23C8, 0x23CB}},
    {"ICOCA", {0x1A48, 0x1A4A, 0x1A88, 0x1A8A, 0x9608, 0x960A}},
    {"Kitaca", {0x1848, 0x184B, 0x2088, 0x208B, 0x20C8, 0x20CB, 0x2108, 0x210B, 0x2148, 0x214B, 0x2188, 0x218B}},
    {"TOICA", {0x1848, 0x184B, 0x1E08, 0x1E0A, 0x1E48, 0x1E4A, 0x1E88, 0x1E8A, 0x1E8B, 0x1ECC, 0x1ECF}},
    {"manaca", {0x9888, 0x988B, 0x98CC, 0x98CF, 0x9908, 0x990A, 0x9948, 0x994A, 0x9988, 0x998B}},
    {"SUGOCA", {0x1F88, 0x1F8A, 0x2048, 0x204B, 0x21C8, 0x21CB, 0x2208, 0x220A, 0x2248, 0x224A, 0x2288, 0x228A}},
    {"nimoca", {0x1F48, 0x1F4A, 0x1F88, 0x1F8A, 0x1FC8, 0x1FCA, 0x2008, 0x200A, 0x2048, 0x204A}},
    {"はやかけん", {0x1F88, 0x1F8A, 0x2048, 0x204A, 0x2448, 0x244A, 0x2488, 0x248A, 0x24C8, 0x24CA, 0x2508,
                   0x250A, 0x2548, 0x254A}},
    {"PiTaPa", {0x1B88, 0x1B8A, 0x9748, 0x974A}},
    // A list copied without its locked services: only the open ones.
    {"Kitaca", {0x184B, 0x208B, 0x20CB, 0x210B, 0x214B, 0x218B}},
    {"TOICA", {0x184B, 0x1E8B, 0x1ECF}},
    // Services every brand has, or those of nimoca, SUGOCA and はやかけん
    // alike: no single brand.
    {"", kShared},
    {"", {0x1F88, 0x1F8A, 0x2048}},
    {"", {}},
    // Two brands' own services on one card: no single brand.
    {"", {0x1808, 0x1CC8}},
    {"", {0x9608, 0x2548}},
};

felica::CardImage suicaFamilyCard(const std::vector<std::uint16_t>& services) {
    felica::CardImage card = test::makeCard("0101041087654321", "0003");
    card.systems[0].services.push_back(test::makeService(0x090F, std::vector<std::string>(20, std::string(32, '0'))));
    card.systems[0].services.push_back(test::makeService(0x108F, std::vector<std::string>(3, std::string(32, '0'))));
    for (std::uint16_t code : services) card.systems[0].services.push_back(test::makeKeyedService(code, 0x0001));
    return card;
}

}  // namespace

TEST(CardBrand, OneBrandsOwnServicesNameTheCard) {
    for (const BrandCase& c : kCards)
        EXPECT_EQ(BrandFromServices(c.services), QString::fromUtf8(c.brand)) << c.brand << " " << c.services.size();
}

TEST(CardBrand, TheAskedCodesFitOneCommandAndCoverEveryBrand) {
    const std::vector<std::uint16_t>& asked = BrandProbeServices();
    EXPECT_LE(asked.size(), 32u);
    for (const CardBrandInfo& brand : CardBrandTable()) {
        // Each brand is asked about at least three of its own services
        // (the probe services of every read counted).
        int n = 0;
        for (std::uint16_t code : brand.services)
            if (std::count(asked.begin(), asked.end(), code) ||
                std::count(std::begin(CSFCard::kProbeServices), std::end(CSFCard::kProbeServices), code))
                ++n;
        EXPECT_GE(n, 3) << QString::fromUtf16(brand.name).toStdString();
    }
}

TEST(CardBrand, AReadAsksTheBrandInOneRequestService) {
    for (const BrandCase& c : kCards) {
        auto transport = std::make_shared<test::ScriptedTransport>(suicaFamilyCard(c.services));
        test::TransportOverride override(transport);
        RecordingMessageSink messages;
        ScopedMessageSink sink(&messages);
        test::LibrarySession session("image:test");
        CSuica card;
        transport->sent.clear();
        ASSERT_TRUE(card.ReadHistory()) << c.brand;
        EXPECT_EQ(card.GetBrand(), QString::fromUtf8(c.brand)) << c.brand;
        // The probe services and the brand's: two Request Service commands,
        // each within the 32 nodes a command takes.
        int requests = 0;
        for (const felica::Bytes& frame : transport->sent) {
            if (frame.size() < 11 || frame[1] != 0x02) continue;
            ++requests;
            EXPECT_LE(frame[10], 32);
        }
        EXPECT_EQ(requests, 2) << c.brand;
    }
}
