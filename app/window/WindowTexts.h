// The Japanese window shows in Japanese what the lower layers say in English
// (card image errors, capture progress and failures); the English window and
// kuvora-cli keep the English. Texts of no known shape pass through unchanged.
#pragma once

#include <QString>

#include <string>

QString WindowText(const QString& english);
inline QString WindowText(const std::string& english) { return WindowText(QString::fromStdString(english)); }

// A message box text of a read that reached no card (the reader not found,
// no card, a failed read) with the reason beneath on a second line;
// every other text unchanged.
QString WithNoCardReason(const QString& text, const std::string& reason);
