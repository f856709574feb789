#include "CCICA.h"
#include "CECard.h"
#include "CECardMobile.h"
#include "CEdy.h"
#include "CICa.h"
#include "CJalIC.h"
#include "CLuLuCa.h"
#include "CNagasaki.h"
#include "CNanaco.h"
#include "CNicePass.h"
#include "CPASSCA.h"
#include "CRapiCa.h"
#include "CSetamaru.h"
#include "CWaon.h"
#include "CardTypes.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

namespace {

template <class Card>
bool is(CSFCard* card) {
    return dynamic_cast<Card*>(card) != nullptr;
}

}  // namespace

TEST(CardTypeTable, CardTypesOfThisBranch) {
    const struct {
        int code;
        bool (*isClass)(CSFCard*);
        const char* label;
        const char* modeLabel;
        const char* menuText;
        const char* prompt;
        int commandId;
        int systemCode, historyService, historyBlocks, cardInfoBlocks;
        int gateLogService = 0;
        int issuerKind = 0;  // at construction
    } types[] = {
        {3, &is<CICa>, "ICa", "ICa", "ICa", "北鉄 アイカ カード", 32803, 0xEF80, 0x898F, 20, 0},
        {4, &is<CSetamaru>, "せたまる", "せたまる", "せたまる", "東急 せたまる カード", 32804, 0x2B80, 0x324F, 20, 0,
         0x108F, 4},
        {6, &is<CCICA>, "CI-CA", "CI-CA", "CI-CA", "奈良交通 CI-CA", 32806, 0x5781, 0x898F, 20, 0},
        {7, &is<CNicePass>, "nice･pass!", "nice･pass!", "nice･pass!", "遠州鉄道 nice･pass!", 32807, 0x0F04, 0x030F,
         20, 0},
        {11, &is<CPASSCA>, "passca", "passca", "passca", "富山ライトレール passca", 32811, 0x2C83, 0x898F, 20, 0},
        {5, &is<CRapiCa>, "RapiCa", "RaPiCa", "RapiCa", "かごしま5事業者共通乗車カード", 32805,
         0x9481, 0x008F, 16, 0},
        {8, &is<CNagasaki>, "長崎スマートカード", "長崎スマートカード", "長崎スマートカード",
         "長崎県 長崎スマートカード", 32808, 0x1680, 0x00CD, 5, 0},
        {9, &is<CLuLuCa>, "LuLuCa", "LuLuCa", "LuLuCa", "静岡鉄道 LuLuCa", 32809, 0xA604, 0x00CF, 20, 0},
        {10, &is<CECard>, "い～カード", "い～カード", "ICい～カード", "伊予鉄道 ICい～カード", 32810,
         0xE080, 0x000F, 10, 0},
        {128, &is<CEdy>, "Edy", "Edy", "Edy", "電子マネー エディー", 32850, 0x00FE, 0x170F, 6, 2},
        {129, &is<CJalIC>, "JAL IC", "JAL IC", "JAL IC", "JAL IC サービス カード", 32851, 0x00FE,
         0x300F, 3, 4},
        {130, &is<CECardMobile>, "い～カード(モバイル)", "い～カード(モバイル)", "ICい～カード(モバイル)",
         "伊予鉄道 ICい～カード(モバイル)", 32852, 0x00FE, 0x450F, 10, 0},
        // rows are the records read: none before a read
        {131, &is<CNanaco>, "nanaco", "nanaco", "nanaco", "電子マネー nanaco", 32853, 0x00FE, 0x564F, 0, 1},
        {132, &is<CWaon>, "WAON", "WAON", "WAON", "電子マネー WAON", 32854, 0x00FE, 0x680B, 0, 1},
    };
    for (const auto& t : types) {
        const CardTypeInfo* info = FindCardType(t.code);
        ASSERT_NE(info, nullptr) << t.code;
        EXPECT_EQ(QString::fromUtf8(info->label), QString::fromUtf8(t.label)) << t.code;
        EXPECT_EQ(ModeLabel(t.code), QString::fromUtf8(t.modeLabel)) << t.code;
        EXPECT_EQ(QString::fromUtf8(info->menuText), QString::fromUtf8(t.menuText)) << t.code;
        EXPECT_EQ(QString::fromUtf8(info->prompt), QString::fromUtf8(t.prompt)) << t.code;
        EXPECT_EQ(info->commandId, t.commandId) << t.code;
        EXPECT_EQ(ModeFromCommandId(t.commandId), t.code);
        auto card = CreateCard(t.code);
        ASSERT_TRUE(card) << t.code;
        EXPECT_TRUE(t.isClass(card.get())) << t.code;
        EXPECT_EQ(card->GetSystemCode(), t.systemCode) << t.code;
        EXPECT_EQ(card->GetHistoryServiceCode(), t.historyService) << t.code;
        EXPECT_EQ(card->GetHistoryCount(), t.historyBlocks) << t.code;
        EXPECT_EQ(card->GetCardInfoBlockCount(), t.cardInfoBlocks) << t.code;
        EXPECT_EQ(card->GetTicketBarrierLogServiceCode(), t.gateLogService) << t.code;
        EXPECT_EQ(info->issuerKind, t.issuerKind) << t.code;
        EXPECT_EQ(card->GetIssuerKind(), 0) << t.code;
        // every byte of every history row starts at zero
        for (int pos = 0; pos < 16 * t.historyBlocks; ++pos) ASSERT_EQ(card->GetHistoryData(pos), 0);
    }
}

TEST(CardTypeTable, AutoModeTriesEveryTypeInCodeOrder) {
    std::vector<int> codes;
    for (const CardTypeInfo* t : AutoDetectionOrder()) codes.push_back(t->code);
    EXPECT_EQ(codes, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 128, 129, 130, 131, 132}));
}

// A slot the card has not written yet is no record: all zeros for every
// card type; for the Suica family also a slot that keeps only its payment
// and entry kinds, for Edy one that keeps only its slot number. The class
// (on its own buffer) and the look-up by type code agree.
TEST(CardTypeTable, EachCardTypeKnowsItsUnusedSlots) {
    const std::tuple<int, std::string, bool> cases[] = {
        {1, "00000000000000000000000000000000", true},
        {2, "00000080000000000000000000000000", true},    // a PASMO's unused slot
        {1, "00000000000000000000000000000001", false},   // a region byte makes a record
        {128, "00050000000000000000000000000000", true},  // Edy's slot 5
        {128, "00050000000000000000000000000001", false},
        {131, "00000000000000000000000000000000", true},
        {131, "00000080000000000000000000000000", false},  // only the Suica family leaves bytes
        {129, "00050000000000000000000000000000", false},
    };
    for (const auto& [code, hex, empty] : cases) {
        EXPECT_EQ(IsEmptyHistorySlot(code, QString::fromStdString(hex)), empty) << code << " " << hex;
        const std::unique_ptr<CSFCard> card = CreateCard(code);
        ASSERT_TRUE(card->SetHistoryBlock(0, test::blockFromHex(hex).data()));
        EXPECT_EQ(card->IsEmptySlot(0), empty) << code << " " << hex;
    }
    EXPECT_FALSE(IsEmptyHistorySlot(1, QStringLiteral("0000")));  // not a block: a record as stored
}
