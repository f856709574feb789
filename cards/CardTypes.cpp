#include "CardTypes.h"

#include "CCICA.h"
#include "CECard.h"
#include "CECardMobile.h"
#include "CEdy.h"
#include "CICa.h"
#include "CIruCa.h"
#include "CJalIC.h"
#include "CLuLuCa.h"
#include "CNagasaki.h"
#include "CNanaco.h"
#include "CNicePass.h"
#include "CPASSCA.h"
#include "CRapiCa.h"
#include "CSFCard.h"
#include "CSetamaru.h"
#include "CSuica.h"
#include "CWaon.h"

namespace {

template <class T>
std::unique_ptr<CSFCard> make() {
    return std::make_unique<T>();
}

const std::vector<CardTypeInfo> kTable = {
    {0, "CSFCard", "UNKNOWN", "Auto", QT_TRANSLATE_NOOP("Strings", "Auto(&A)"),
     QT_TRANSLATE_NOOP("Strings", "カード種別自動選択モード"), 32800,
     false, {0, 0}, 0, 0, 0, 0, 0, 0, &make<CSFCard>},
    {1, "CSuica", "Suica/ICOCA/TOICA/PiTaPa/PASMO", "Suica/ICOCA/TOICA/PiTaPa/PASMO", "Suica/ICOCA/TOICA/PiTaPa/PASMO",
     QT_TRANSLATE_NOOP("Strings", "JR Suica/ICOCA/TOICA PiTaPa PASMOカード"), 32801,
     true, {0x00, 0x03}, 0x090F, 20, 0x108F, 0, 0, 1, &make<CSuica>},
    {2, "CIruCa", "IruCa", "IruCa", "IruCa", QT_TRANSLATE_NOOP("Strings", "ことでん イルカ カード"), 32802,
     true, {0x80, 0xDE}, 0x090F, 20, 0x108F, 0, 0, 5, &make<CIruCa>},
    {3, "CICa", "ICa", "ICa", "ICa", QT_TRANSLATE_NOOP("Strings", "北鉄 アイカ カード"), 32803,
     true, {0x80, 0xEF}, 0x898F, 20, 0, 0, 0, 0, &make<CICa>},
    {4, "CSetamaru", QT_TRANSLATE_NOOP("Strings", "せたまる"), QT_TRANSLATE_NOOP("Strings", "せたまる"),
     QT_TRANSLATE_NOOP("Strings", "せたまる"), QT_TRANSLATE_NOOP("Strings", "東急 せたまる カード"), 32804,
     true, {0x80, 0x2B}, 0x324F, 20, 0x108F, 0, 0, 4, &make<CSetamaru>},
    {5, "CRapiCa", "RapiCa", "RaPiCa", "RapiCa", QT_TRANSLATE_NOOP("Strings", "かごしま5事業者共通乗車カード"), 32805,
     true, {0x81, 0x94}, 0x008F, 16, 0, 0, 0, 0, &make<CRapiCa>},
    {6, "CCICA", "CI-CA", "CI-CA", "CI-CA", QT_TRANSLATE_NOOP("Strings", "奈良交通 CI-CA"), 32806,
     true, {0x81, 0x57}, 0x898F, 20, 0, 0, 0, 0, &make<CCICA>},
    {7, "CNicePass", "nice･pass!", "nice･pass!", "nice･pass!", QT_TRANSLATE_NOOP("Strings", "遠州鉄道 nice･pass!"), 32807,
     true, {0x04, 0x0F}, 0x030F, 20, 0, 0, 0, 0, &make<CNicePass>},
    {8, "CNagasaki", QT_TRANSLATE_NOOP("Strings", "長崎スマートカード"), QT_TRANSLATE_NOOP("Strings", "長崎スマートカード"),
     QT_TRANSLATE_NOOP("Strings", "長崎スマートカード"), QT_TRANSLATE_NOOP("Strings", "長崎県 長崎スマートカード"), 32808,
     true, {0x80, 0x16}, 0x00CD, 5, 0, 0, 0, 0, &make<CNagasaki>},
    {9, "CLuLuCa", "LuLuCa", "LuLuCa", "LuLuCa", QT_TRANSLATE_NOOP("Strings", "静岡鉄道 LuLuCa"), 32809,
     true, {0x04, 0xA6}, 0x00CF, 20, 0, 0, 0, 0, &make<CLuLuCa>},
    {10, "CECard", QT_TRANSLATE_NOOP("Strings", "い～カード"), QT_TRANSLATE_NOOP("Strings", "い～カード"),
     QT_TRANSLATE_NOOP("Strings", "ICい～カード"), QT_TRANSLATE_NOOP("Strings", "伊予鉄道 ICい～カード"), 32810,
     true, {0x80, 0xE0}, 0x000F, 10, 0, 0, 0, 0, &make<CECard>},
    {11, "CPASSCA", "passca", "passca", "passca", QT_TRANSLATE_NOOP("Strings", "富山ライトレール passca"), 32811,
     true, {0x83, 0x2C}, 0x898F, 20, 0, 0, 0, 0, &make<CPASSCA>},
    {128, "CEdy", "Edy", "Edy", "Edy", QT_TRANSLATE_NOOP("Strings", "電子マネー エディー"), 32850,
     true, {0xFE, 0x00}, 0x170F, 6, 0, 0x110B, 2, 0, &make<CEdy>},
    {129, "CJalIC", "JAL IC", "JAL IC", "JAL IC", QT_TRANSLATE_NOOP("Strings", "JAL IC サービス カード"), 32851,
     true, {0xFE, 0x00}, 0x300F, 3, 0, 0x2F4B, 4, 0, &make<CJalIC>},
    {130, "CECardMobile", QT_TRANSLATE_NOOP("Strings", "い～カード(モバイル)"),
     QT_TRANSLATE_NOOP("Strings", "い～カード(モバイル)"), QT_TRANSLATE_NOOP("Strings", "ICい～カード(モバイル)"),
     QT_TRANSLATE_NOOP("Strings", "伊予鉄道 ICい～カード(モバイル)"), 32852,
     true, {0xFE, 0x00}, 0x450F, 10, 0, 0, 0, 0, &make<CECardMobile>},
    {131, "CNanaco", "nanaco", "nanaco", "nanaco", QT_TRANSLATE_NOOP("Strings", "電子マネー nanaco"), 32853,
     true, {0xFE, 0x00}, 0x564F, 5, 0, 0x558B, 1, 0, &make<CNanaco>},
    {132, "CWaon", "WAON", "WAON", "WAON", QT_TRANSLATE_NOOP("Strings", "電子マネー WAON"), 32854,
     true, {0xFE, 0x00}, 0x680B, 6, 0, 0x684F, 1, 0, &make<CWaon>},
};

}  // namespace

const std::vector<CardTypeInfo>& CardTypeTable() { return kTable; }

const CardTypeInfo* FindCardType(int code) {
    for (const auto& t : kTable)
        if (t.code == code) return &t;
    return nullptr;
}

std::unique_ptr<CSFCard> CreateCard(int code) {
    const CardTypeInfo* t = FindCardType(code);
    return t ? t->create() : nullptr;
}

bool IsEmptyHistorySlot(int code, const std::uint8_t* block) {
    switch (code) {
    case 1:
    case 2: return CSuica::IsEmptySlotBlock(block);
    case CEdy::kCardType: return CEdy::IsEmptySlotBlock(block);
    default: return CSFCard::IsZeroBlock(block);
    }
}

bool IsEmptyHistorySlot(int code, QStringView hex) {
    std::uint8_t block[16];
    return BlockFromHex(hex, block) && IsEmptyHistorySlot(code, block);
}

bool IsEmptyHistorySlot(int code, std::string_view hex) {
    std::uint8_t block[16];
    return BlockFromHex(hex, block) && IsEmptyHistorySlot(code, block);
}

bool HasCardNumber(int code) {
    const CardTypeInfo* t = FindCardType(code);
    return t && t->cardInfoService != 0;
}

std::vector<const CardTypeInfo*> AutoDetectionOrder() {
    std::vector<const CardTypeInfo*> order;
    for (const auto& t : kTable)
        if (t.code != 0) order.push_back(&t);
    return order;
}

int ModeFromCommandId(int commandId) {
    for (const auto& t : kTable)
        if (t.commandId == commandId) return t.code;
    return -1;
}

QString ModeLabel(int mode) {
    const CardTypeInfo* t = FindCardType(mode);
    return t ? QString::fromUtf8(t->modeLabel) : QString();
}
