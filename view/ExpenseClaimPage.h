// The printed expense claim of a card's journeys (交通費明細): on A4 pages, a
// title, the card (its nickname and type, its IDm) and the period, then a
// table of the journeys (date, kind, from, to, fare) and their total. Long
// claims go on over further pages, each with the table's header again and
// its page number. Needs Qt GUI only (no widgets), so kuvora-cli draws it
// too.
#pragma once

#include "Spending.h"

#include <QByteArray>

class QPagedPaintDevice;

namespace view {

// The journeys that fit on one page, the first page's and the others'.
constexpr int kClaimLinesFirstPage = 26;
constexpr int kClaimLinesPerPage = 31;
// How many pages the claim takes.
int ExpenseClaimPages(const ExpenseClaim& claim);

// Draws the claim on `device` (a printer, a PDF writer), a page each
// beginning on a new page of the device; false when it could not be drawn.
bool DrawExpenseClaim(QPagedPaintDevice& device, const ExpenseClaim& claim);

// The claim as a PDF file of A4 pages; empty when it could not be made.
QByteArray ExpenseClaimPdf(const ExpenseClaim& claim);

}  // namespace view
