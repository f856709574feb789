#include "CardTypes.h"

#include "CSFCard.h"

namespace {

std::unique_ptr<CSFCard> makePlain() { return std::make_unique<CSFCard>(); }

const std::vector<CardTypeInfo> kTable = {
    {0, "CSFCard", u"UNKNOWN", u"Auto", u"Auto(&A)", u"カード種別自動選択モード", 32800,
     false, {0, 0}, 0, 0, 0, 0, 0, 0, &makePlain},
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
