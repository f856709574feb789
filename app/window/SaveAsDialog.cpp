#include "SaveAsDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

const char16_t* const kTitle = u"名前を付けて保存";
const char16_t* const kFilters[] = {u"テキストファイル (*.txt)", u"ワークシートファイル (*.xls)", u"xmlファイル (*.xml)",
                                    u"CSV ファイル (*.csv)", u"すべてのファイル (*.*)"};
const char* const kSuffixes[] = {"txt", "xls", "xml", "csv", "txt"};
constexpr int kCsvFilter = 3;

}  // namespace

QString SaveAsStartFolder() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QFileInfo(documents).isDir()) return documents;
    return QDir::homePath();
}

void SetUpSaveAsDialog(QFileDialog& dialog) {
    dialog.setObjectName(QStringLiteral("saveAsDialog"));
    dialog.setWindowTitle(QString::fromUtf16(kTitle));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    // The dialog is given its folder; the process's current directory stays.
    dialog.setDirectory(SaveAsStartFolder());
    QStringList filters;
    for (const char16_t* f : kFilters) filters << QString::fromUtf16(f);
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.first());
    dialog.setDefaultSuffix(QString::fromLatin1(kSuffixes[0]));
    dialog.setLabelText(QFileDialog::LookIn, QStringLiteral("保存する場所:"));
    dialog.setLabelText(QFileDialog::FileName, QStringLiteral("ファイル名:"));
    dialog.setLabelText(QFileDialog::FileType, QStringLiteral("ファイルの種類:"));
    dialog.setLabelText(QFileDialog::Accept, QStringLiteral("保存(&S)"));
    dialog.setLabelText(QFileDialog::Reject, QStringLiteral("キャンセル"));
    // A name typed without an extension takes the chosen file type's.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, filters](const QString& filter) {
        const qsizetype i = filters.indexOf(filter);
        if (i >= 0) dialog.setDefaultSuffix(QString::fromLatin1(kSuffixes[i]));
    });
    dialog.selectFile(QString());
}

bool IsCsvFilter(const QString& filter) { return filter == QString::fromUtf16(kFilters[kCsvFilter]); }

QString RunSaveAsDialog(QWidget* owner, bool* csv) {
    QFileDialog dialog(owner);
    SetUpSaveAsDialog(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
    if (csv) *csv = IsCsvFilter(dialog.selectedNameFilter());
    return dialog.selectedFiles().first();
}
