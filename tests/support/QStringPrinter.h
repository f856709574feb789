// GoogleTest prints a QString (and a QByteArray) as its text, so that a
// failed comparison of texts says what they were instead of listing 2-byte
// objects (or characters one by one). Every test
// program is compiled with this header included first (tests/CMakeLists.txt).
#pragma once

#include <QString>

#include <gtest/gtest-printers.h>

#include <ostream>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* out) {
    // As a UTF-8 std::string: quoted, with escapes, and "As Text" for Japanese.
    *out << ::testing::PrintToString(text.toStdString());
}
inline void PrintTo(const QByteArray& bytes, std::ostream* out) {
    *out << ::testing::PrintToString(bytes.toStdString());
}
QT_END_NAMESPACE
