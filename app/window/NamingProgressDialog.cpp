#include "NamingProgressDialog.h"

#include <QApplication>

QString NamingProgressDialog::Text() { return tr("保存済みの行に名前を付けています..."); }

NamingProgressDialog::NamingProgressDialog(QWidget* parent, int delayMs) : m_pParent(parent), m_nDelayMs(delayMs) {
    m_Started.start();
}

NamingProgressDialog::~NamingProgressDialog() {
    if (m_bCursor) QApplication::restoreOverrideCursor();
    delete m_pDialog.data();
}

NamingProgress NamingProgressDialog::Callback() {
    return [this] { Pulse(); };
}

void NamingProgressDialog::Pulse() {
    if (!m_pDialog) {
        if (m_Started.elapsed() < m_nDelayMs) return;
        m_pDialog = new QProgressDialog(Text(), QString(), 0, 0, m_pParent);
        m_pDialog->setWindowTitle(tr("名前を付けています"));
        m_pDialog->setWindowModality(Qt::WindowModal);
        m_pDialog->setMinimumDuration(0);
        m_pDialog->setCancelButton(nullptr);  // a naming runs in one transaction to its end
        m_pDialog->setAutoClose(false);
        m_pDialog->setAutoReset(false);
        m_pDialog->show();
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_bCursor = true;
    } else if (m_LastEvents.isValid() && m_LastEvents.elapsed() < 50) {
        return;
    }
    m_LastEvents.start();
    // The busy bar moves and the windows repaint; clicks and keys wait.
    m_pDialog->setValue(0);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}
