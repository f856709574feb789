#include "StringTable.h"

#include <QCoreApplication>

namespace {
struct Entry {
    int id;
    const char* text;
};
constexpr Entry kStrings[] = {
#include "string_table.inc"
};
}  // namespace

QString LoadString(int id) {
    for (const Entry& e : kStrings)
        if (e.id == id) return QString::fromUtf8(e.text);
    return QString();
}
