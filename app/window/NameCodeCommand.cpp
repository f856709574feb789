#include "NameCodeCommand.h"

#include "CHistoryTable.h"
#include "CKuvoraView.h"
#include "CNameCodeDlg.h"
#include "CodeNaming.h"
#include "MessageSink.h"
#include "NamingProgressDialog.h"
#include "StationNameCommands.h"

#include <QCoreApplication>
#include <QTableView>

void NameCodeAtCurrentCell(CKuvoraView* view, QWidget* parent) {
    const auto cell = view->UnknownNameAt(view->Grid()->currentIndex());
    if (!cell) return;
    CNameCodeDlg dialog(cell->key, parent);
    if (dialog.exec() != QDialog::Accepted || dialog.Name().isEmpty()) return;
    CHistoryTable table;
    QString error;
    NamingResult result;
    {
        NamingProgressDialog progress(parent);
        result = GiveName({cell->key, dialog.Name(), dialog.Company(), dialog.Line()}, table, view->GetDocument(),
                          error, progress.Callback());
    }
    view->OnUpdate();
    // The station database's words, a line each, as the import's problems are shown.
    QStringList lines = error.split(QLatin1Char('\n'));
    for (QString& line : lines) line = StationImportText(line);
    error = lines.join(QLatin1Char('\n'));
    if (result == NamingResult::NotWritten)
        ShowMessage(QCoreApplication::translate("NameCodeCommand", "名前を登録できませんでした。\n%1").arg(error));
    else if (result == NamingResult::StoredRowsFailed)
        ShowMessage(QCoreApplication::translate("NameCodeCommand",
                                                "名前は登録しましたが、保存済みの履歴には反映できませんでした。\n%1")
                        .arg(error));
}
