// The window shows in Japanese what the lower layers say in English (card
// image errors, capture progress and failures); kuvora-cli keeps the English.
// Texts of no known shape pass through unchanged.
#pragma once

#include <QString>

#include <string>

QString WindowText(const QString& english);
inline QString WindowText(const std::string& english) { return WindowText(QString::fromStdString(english)); }
