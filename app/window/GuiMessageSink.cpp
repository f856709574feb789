#include "GuiMessageSink.h"

#include "ReaderUse.h"
#include "ShownText.h"
#include "felica.h"
#include "WindowTexts.h"
#include "library_control.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>

void GuiMessageSink::showMessage(const QString& text) {
    // A message of work on another thread (the station table import's) is
    // shown by the window's thread, whose event loop runs meanwhile; the
    // worker waits for the user as the window's own work would.
    if (QThread::currentThread() != qApp->thread()) {
        QMetaObject::invokeMethod(qApp, [this, text] { showMessage(text); }, Qt::BlockingQueuedConnection);
        return;
    }
    // A busy cursor would hide that the box waits for the user.
    int busy = 0;
    while (QApplication::overrideCursor()) {
        QApplication::restoreOverrideCursor();
        ++busy;
    }
    // The box waits for the user, maybe for long: the reader is let go first
    // (a read that failed on a lifted card still holds it; it only closes it
    // after the box), and automation calls are answered while the box is up.
    const QString shown = ShownText(WithNoCardReason(text, felica::noCardReason()));
    if (felica::readerOpen()) close_reader_writer();
    const automation::ReaderPause pause;
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Kuvora"), shown, QMessageBox::Ok, m_Owner.data());
    box.exec();
    while (busy-- > 0) QApplication::setOverrideCursor(Qt::WaitCursor);
}
