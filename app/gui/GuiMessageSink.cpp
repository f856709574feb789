#include "GuiMessageSink.h"

#include "WindowTexts.h"
#include "library_control.h"

#include <QApplication>
#include <QMessageBox>

void GuiMessageSink::showMessage(const QString& text) {
    // A busy cursor would hide that the box waits for the user.
    int busy = 0;
    while (QApplication::overrideCursor()) {
        QApplication::restoreOverrideCursor();
        ++busy;
    }
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Kuvora"), WithNoCardReason(text, felica::noCardReason()), QMessageBox::Ok, m_Owner.data());
    box.exec();
    while (busy-- > 0) QApplication::setOverrideCursor(Qt::WaitCursor);
}
