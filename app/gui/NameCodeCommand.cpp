#include "NameCodeCommand.h"

#include "CHistoryTable.h"
#include "CKuvoraView.h"
#include "CNameCodeDlg.h"
#include "CodeNaming.h"
#include "MessageSink.h"

#include <QTableView>

void NameCodeAtCurrentCell(CKuvoraView* view, QWidget* parent) {
    const auto cell = view->UnknownNameAt(view->Grid()->currentIndex());
    if (!cell) return;
    CNameCodeDlg dialog(cell->key, parent);
    if (dialog.exec() != QDialog::Accepted || dialog.Name().isEmpty()) return;
    CHistoryTable table;
    QString error;
    const bool named = GiveName({cell->key, dialog.Name(), dialog.Company()}, table, view->GetDocument(), error);
    view->OnUpdate();
    if (!named) ShowMessage(QStringLiteral("名前を保存できませんでした。\n%1").arg(error));
}
