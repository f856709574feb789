// The naming of an unknown code from the grid: the dialog over the current
// cell, then the name written and the view refreshed.
#pragma once

class CKuvoraView;
class QWidget;

// Does nothing on a cell that does not show an unknown name.
void NameCodeAtCurrentCell(CKuvoraView* view, QWidget* parent);
