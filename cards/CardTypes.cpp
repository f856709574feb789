#include "CardTypes.h"

#include "CIruCa.h"
#include "CSFCard.h"
#include "CSuica.h"

namespace {

template <class T>
std::unique_ptr<CSFCard> make() {
    return std::make_unique<T>();
}

const std::vector<CardTypeInfo> kTable = {
    {0, "CSFCard", u"UNKNOWN", u"Auto", u"Auto(&A)", u"カード種別自動選択モード", 32800,
     false, {0, 0}, 0, 0, 0, 0, 0, 0, &make<CSFCard>},
    {1, "CSuica", u"Suica/ICOCA/TOICA/PiTaPa/PASMO", u"Suica/ICOCA/TOICA/PiTaPa/PASMO",
     u"Suica/ICOCA/TOICA/PiTaPa/PASMO", u"JR Suica/ICOCA/TOICA PiTaPa PASMOカード", 32801,
     true, {0x00, 0x03}, 0x090F, 20, 0x108F, 0, 0, 1, &make<CSuica>},
    {2, "CIruCa", u"IruCa", u"IruCa", u"IruCa", u"ことでん イルカ カード", 32802,
     true, {0x80, 0xDE}, 0x090F, 20, 0x108F, 0, 0, 5, &make<CIruCa>},
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
    return t ? QString::fromUtf16(t->modeLabel) : QString();
}
