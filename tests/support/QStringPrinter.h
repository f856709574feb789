// GoogleTest prints a QString (and a QByteArray) as its text, so that a
// failed comparison of texts says what they were instead of listing 2-byte
// objects. Every test program is compiled with this header included first
// (tests/CMakeLists.txt); Japanese text is printed escaped, then "As Text".
#pragma once

#include <QString>

#include <gtest/gtest-printers.h>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* out) { *out << ::testing::PrintToString(text.toStdString()); }
inline void PrintTo(const QByteArray& bytes, std::ostream* out) { *out << ::testing::PrintToString(bytes.toStdString()); }
QT_END_NAMESPACE
