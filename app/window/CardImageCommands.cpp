#include "CardImageCommands.h"

#include "WindowTexts.h"

#include "MessageSink.h"
#include "ReaderChoice.h"
#include "ReaderUse.h"
#include "capture.h"
#include "card_image.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFileDialog>
#include <QProgressDialog>
#include <QStandardPaths>

#include <atomic>

namespace {

QString text(const char* japanese) { return QCoreApplication::translate("CardImageCommands", japanese); }

QString filter() { return text(QT_TRANSLATE_NOOP("CardImageCommands", "カードイメージ (*.json);;すべてのファイル (*)")); }

}  // namespace

QString CardImageFolder() {
    // The documents folder of XDG may name a folder nobody made: a dialog
    // starting there would show a folder that is not.
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QFileInfo(documents).isDir()) return documents;
    return QDir::homePath();
}

QString OpenCardImage(QWidget* parent) {
    const QString path = QFileDialog::getOpenFileName(
        parent, QCoreApplication::translate("CardImageCommands", "カードイメージを開く"), CardImageFolder(), filter());
    if (path.isEmpty()) return QString();
    std::string error;
    if (!felica::CardImage::load(path.toStdString(), error)) {
        ShowMessage(WindowText(error));
        return QString();
    }
    const QString reader = QStringLiteral("image:") + path;
    SelectReader(reader);
    return reader;
}

bool CaptureCardImage(QWidget* parent, const QString& path) {
    const automation::ReaderUse readerInUse;  // automation calls wait for the capture
    QProgressDialog progress(QCoreApplication::translate("CardImageCommands", "カードを読み取っています..."),
                             QCoreApplication::translate("CardImageCommands", "キャンセル"), 0, 0, parent);
    progress.setWindowTitle(QStringLiteral("Kuvora"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    progress.show();
    std::atomic<bool> cancel{false};
    const auto result = felica::captureCard(
        [&](const felica::CaptureProgress& p) {
            if (p.servicesKnown > 0) {
                progress.setMaximum(static_cast<int>(p.servicesKnown));
                progress.setValue(static_cast<int>(p.servicesDone));
            }
            progress.setLabelText(WindowText(p.message));
            QApplication::processEvents();
            if (progress.wasCanceled()) cancel = true;
        },
        &cancel);
    progress.close();
    using Outcome = felica::CaptureResult::Outcome;
    if (result.outcome == Outcome::Cancelled) return false;
    if (!result.ok()) {
        // What happened in the user's words; the library's own words beneath, for whoever looks into it.
        const char* why;
        switch (result.outcome) {
        case Outcome::NoReader: why = QT_TRANSLATE_NOOP("CardImageCommands", "リーダ・ライタを開けませんでした。"); break;
        case Outcome::NoCard: why = QT_TRANSLATE_NOOP("CardImageCommands", "カードが見つかりません。"); break;
        case Outcome::CardLost:
            why = QT_TRANSLATE_NOOP("CardImageCommands", "読み取りの途中でカードが離れたか、別のカードに替わりました。");
            break;
        default: why = QT_TRANSLATE_NOOP("CardImageCommands", "カードを読み取れませんでした。"); break;
        }
        const QString detail = WindowText(result.error);
        ShowMessage(QCoreApplication::translate("CardImageCommands", "カードイメージを保存できませんでした。\n%1\n(%2)")
                        .arg(text(why), detail));
        return false;
    }
    std::string error;
    if (!result.image.save(path.toStdString(), error)) {
        ShowMessage(QCoreApplication::translate("CardImageCommands", "カードイメージを保存できませんでした。\n%1")
                        .arg(WindowText(error)));
        return false;
    }
    return true;
}

void SaveCardImage(QWidget* parent) {
    QFileDialog dialog(parent, QCoreApplication::translate("CardImageCommands", "カードイメージとして保存"),
                       CardImageFolder(), filter());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("json"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    CaptureCardImage(parent, dialog.selectedFiles().first());
}
