// Text output of kuvora-cli: the JSON and table renderings of a read.
#pragma once

#include <QString>
#include <QStringList>

class CKuvoraDoc;

// One JSON object with the document's header, gate log, rows and the
// messages shown, keys in a fixed order, in UTF-8.
QByteArray DocumentJson(const CKuvoraDoc& doc, const QStringList& messages);
// The same for a person: aligned columns, one line per row.
QString DocumentTable(const CKuvoraDoc& doc);

// Quoted JSON string.
QString JsonString(const QString& text);
// Columns a text takes in a terminal (East Asian wide characters take two).
int DisplayWidth(const QString& text);
