#include "StringTable.h"

namespace {
struct Entry {
    int id;
    const char16_t* text;
};
constexpr Entry kStrings[] = {
#include "string_table.inc"
};
}  // namespace

QString LoadString(int id) {
    for (const Entry& e : kStrings)
        if (e.id == id) return QString::fromUtf16(e.text);
    return QString();
}
