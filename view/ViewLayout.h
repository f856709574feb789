// What the history view, its printout and its picture share: colours,
// column titles and which display column each grid cell shows.
#pragma once

#include "CHistoryDisplay.h"

#include <QColor>
#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <vector>

class CKuvoraDoc;

namespace view {

constexpr int kHeaderBandHeight = 130;
constexpr int kGridColumns = 12;
constexpr int kTitleRowHeight = 24;
constexpr int kInitialRecords = 20;

inline QColor BandColour() { return QColor(143, 191, 255); }
inline QColor TitleStripColour() { return QColor(224, 224, 255); }
// Records 0, 2, 4, ... and 1, 3, 5, ...
inline QColor RecordColour(int record) { return record % 2 == 0 ? QColor(239, 239, 255) : QColor(255, 255, 255); }
inline QColor ChargeColour() { return QColor(80, 80, 255); }

// The context of the view's own texts in the translation catalogue.
struct ViewText {
    Q_DECLARE_TR_FUNCTIONS(HistoryView)
};

struct GridColumn {
    const char* title;  // UTF-8, as ColumnTitle translates it
    int defaultWidth;
    int upper;  // display column of the record's upper row, or -1
    int lower;  // display column of its lower row, or -1
};

// The twelve grid columns.
const GridColumn& Column(int index);
// A column's title in the user's language.
QString ColumnTitle(int index);

// Header band lines: y of each, and x of labels and values.
constexpr int kLabelX = 10;
constexpr int kValueX = 164;
constexpr int kVersionY = 10;
constexpr int kIdmY = 26;
constexpr int kTypeY = 42;
constexpr int kNumberY = 58;
constexpr int kGateLogY = 74;
constexpr int kGateLogLineHeight = 16;
// x of gate-log columns 0..6.
constexpr int kGateLogX[7] = {10, 287, 247, 439, 536, 584, 681};

// A text of the header band, with its left edge at x and its top at y.
struct PlacedText {
    int x;
    int y;
    QString text;
};

// What the header band shows for the document: the library version, the
// IDm with the manufacturing date, the card type, the Edy or JMB number, and
// the ticket-gate log. Empty texts are left out.
std::vector<PlacedText> HeaderBandTexts(const CKuvoraDoc& doc);

// The band's texts as lines to be read (a screen reader's): the version,
// the IDm, the card type and number lines as "label: value", each gate-log
// entry as "改札ログ n: ..." without its raw bytes, and the stored-history
// note.
QStringList HeaderBandLines(const CKuvoraDoc& doc);

// The note the band shows while the history is a stored card's rather
// than one just read, where the gate log of a card just read would be;
// nothing otherwise.
std::vector<PlacedText> StoredHistoryNote(const CKuvoraDoc& doc);

QString IdmLabel();
QString TypeLabel();
// "Edy No." for card type 128, "JMB No." for 129, "nanaco No." for 131,
// "WAON No." for 132, empty otherwise.
QString CardNumberLabel(int cardType);

}  // namespace view
