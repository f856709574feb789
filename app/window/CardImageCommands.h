// The File menu's card image commands: reading a card image file as the card
// on the reader, and saving the card on the reader as a card image.
#pragma once

#include <QString>

class QWidget;

// Asks for a card image file and, when it is sound, makes it the card on the
// reader for the following reads. Returns the reader name chosen, or empty.
QString OpenCardImage(QWidget* parent);

// Captures the card on the reader into `path`, with a progress dialog that can
// be cancelled. Nothing is written unless the whole card was read. Returns
// true when the file was written.
bool CaptureCardImage(QWidget* parent, const QString& path);

// Asks for a file name and captures into it.
void SaveCardImage(QWidget* parent);

// The folder the card image dialogs start in: the documents folder when it
// is there, else the home folder.
QString CardImageFolder();
