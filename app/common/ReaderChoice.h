// Which reader the programs open: the --reader option, else the environment
// variable KUVORA_READER, else the setting "Reader", else "nfc".
#pragma once

#include <QString>

QString ChooseReaderName(const QString& option);

// Hands the chosen name to the FeliCa library.
void SelectReader(const QString& name);

// For "image:PATH" readers: checks the card image before any read starts.
// Returns false with a message naming the file and the field when the image
// is unreadable; other reader names always pass.
bool CheckCardImageReader(const QString& name, QString& error);
