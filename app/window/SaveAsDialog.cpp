#include "SaveAsDialog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

const char* const kFilters[] = {
    QT_TRANSLATE_NOOP("SaveAsDialog", "テキストファイル (*.txt)"), QT_TRANSLATE_NOOP("SaveAsDialog", "ワークシートファイル (*.xls)"),
    QT_TRANSLATE_NOOP("SaveAsDialog", "xmlファイル (*.xml)"), QT_TRANSLATE_NOOP("SaveAsDialog", "CSV ファイル (*.csv)"),
    QT_TRANSLATE_NOOP("SaveAsDialog", "すべてのファイル (*.*)")};
const char* const kSuffixes[] = {"txt", "xls", "xml", "csv", "txt"};
constexpr int kCsvFilter = 3;

QString text(const char* japanese) { return QCoreApplication::translate("SaveAsDialog", japanese); }

}  // namespace

QString SaveAsStartFolder() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QFileInfo(documents).isDir()) return documents;
    return QDir::homePath();
}

void SetUpSaveAsDialog(QFileDialog& dialog) {
    dialog.setObjectName(QStringLiteral("saveAsDialog"));
    dialog.setWindowTitle(QCoreApplication::translate("SaveAsDialog", "名前を付けて保存"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    // The dialog is given its folder; the process's current directory stays.
    dialog.setDirectory(SaveAsStartFolder());
    QStringList filters;
    for (const char* f : kFilters) filters << text(f);
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.first());
    dialog.setDefaultSuffix(QString::fromLatin1(kSuffixes[0]));
    dialog.setLabelText(QFileDialog::LookIn, QCoreApplication::translate("SaveAsDialog", "保存する場所:"));
    dialog.setLabelText(QFileDialog::FileName, QCoreApplication::translate("SaveAsDialog", "ファイル名:"));
    dialog.setLabelText(QFileDialog::FileType, QCoreApplication::translate("SaveAsDialog", "ファイルの種類:"));
    dialog.setLabelText(QFileDialog::Accept, QCoreApplication::translate("SaveAsDialog", "保存(&S)"));
    dialog.setLabelText(QFileDialog::Reject, QCoreApplication::translate("SaveAsDialog", "キャンセル"));
    // A name typed without an extension takes the chosen file type's.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, filters](const QString& filter) {
        const qsizetype i = filters.indexOf(filter);
        if (i >= 0) dialog.setDefaultSuffix(QString::fromLatin1(kSuffixes[i]));
    });
    dialog.selectFile(QString());
}

bool IsCsvFilter(const QString& filter) { return filter == text(kFilters[kCsvFilter]); }

QString RunSaveAsDialog(QWidget* owner, bool* csv) {
    QFileDialog dialog(owner);
    SetUpSaveAsDialog(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
    if (csv) *csv = IsCsvFilter(dialog.selectedNameFilter());
    return dialog.selectedFiles().first();
}
