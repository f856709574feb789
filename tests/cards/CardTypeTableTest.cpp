#include "CECard.h"
#include "CECardMobile.h"
#include "CEdy.h"
#include "CJalIC.h"
#include "CLuLuCa.h"
#include "CNagasaki.h"
#include "CRapiCa.h"
#include "CardTypes.h"

#include <gtest/gtest.h>

#include <algorithm>
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
    } types[] = {
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
    };
    for (const auto& t : types) {
        const CardTypeInfo* info = FindCardType(t.code);
        ASSERT_NE(info, nullptr) << t.code;
        EXPECT_EQ(QString::fromUtf16(info->label), QString::fromUtf8(t.label)) << t.code;
        EXPECT_EQ(ModeLabel(t.code), QString::fromUtf8(t.modeLabel)) << t.code;
        EXPECT_EQ(QString::fromUtf16(info->menuText), QString::fromUtf8(t.menuText)) << t.code;
        EXPECT_EQ(QString::fromUtf16(info->prompt), QString::fromUtf8(t.prompt)) << t.code;
        EXPECT_EQ(info->commandId, t.commandId) << t.code;
        EXPECT_EQ(ModeFromCommandId(t.commandId), t.code);
        auto card = CreateCard(t.code);
        ASSERT_TRUE(card) << t.code;
        EXPECT_TRUE(t.isClass(card.get())) << t.code;
        EXPECT_EQ(card->GetSystemCode(), t.systemCode) << t.code;
        EXPECT_EQ(card->GetHistoryServiceCode(), t.historyService) << t.code;
        EXPECT_EQ(card->GetHistoryCount(), t.historyBlocks) << t.code;
        EXPECT_EQ(card->GetCardInfoBlockCount(), t.cardInfoBlocks) << t.code;
        EXPECT_EQ(card->GetTicketBarrierLogServiceCode(), 0) << t.code;
        EXPECT_EQ(card->GetIssuerKind(), 0) << t.code;
        // every byte of every history row starts at zero
        for (int pos = 0; pos < 16 * t.historyBlocks; ++pos) ASSERT_EQ(card->GetHistoryData(pos), 0);
    }
}

TEST(CardTypeTable, AutoModeTriesTheCommonAreaCardsLastInCodeOrder) {
    std::vector<int> codes;
    for (const CardTypeInfo* t : AutoDetectionOrder()) codes.push_back(t->code);
    EXPECT_EQ(std::count(codes.begin(), codes.end(), 0), 0);
    // whatever else is there, these come in this order, and the three
    // common-area types are the last three
    std::vector<int> ours;
    for (int c : codes)
        if (c == 5 || c == 8 || c == 9 || c == 10 || c >= 128) ours.push_back(c);
    EXPECT_EQ(ours, (std::vector<int>{5, 8, 9, 10, 128, 129, 130}));
    ASSERT_GE(codes.size(), 3u);
    EXPECT_EQ(std::vector<int>(codes.end() - 3, codes.end()), (std::vector<int>{128, 129, 130}));
    EXPECT_TRUE(std::is_sorted(codes.begin(), codes.end()));
}
