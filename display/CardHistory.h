// A card's history as the window shows it: the card's IDm, type and Edy or
// JMB number, and the history display table with how many of its rows are
// shown and how many hold the card's records. The document is one (it fills
// it on each Read); the export files, the TCP text and the read-aloud are
// made from it.
#pragma once

#include "CHistoryDisplay.h"

#include <QString>

struct CardHistory {
    static constexpr int kInitialRows = 20;

    QString m_strCardNumber;
    QString m_strIDm;
    CHistoryDisplay m_History;
    int m_nCardType = 0;
    // The rows that hold the card's records (what the TCP text carries).
    int m_nCardRows = kInitialRows;
    // The rows shown (what the export files carry).
    int m_nRows = kInitialRows;
};
