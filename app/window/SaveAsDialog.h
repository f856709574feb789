// The export's Save As dialog.
#pragma once

#include <QString>

class QFileDialog;
class QWidget;

// The user's documents folder, or the home folder when it does not exist.
QString SaveAsStartFolder();
// The dialog, owned by `owner`, opening in SaveAsStartFolder() with no name
// filled in, default extension "txt" and the overwrite prompt on.
void SetUpSaveAsDialog(QFileDialog& dialog);
// Whether a name filter of the dialog is the CSV type's.
bool IsCsvFilter(const QString& filter);
// Runs the dialog; the chosen path, or empty when cancelled. `csv`, when
// given, tells whether the CSV type was chosen.
QString RunSaveAsDialog(QWidget* owner, bool* csv = nullptr);
