// Feedback while stored rows take a name: the first naming on a large
// History.db builds its code indexes, which can take seconds. Once a naming
// has run longer than the delay, a busy dialog says so and the window keeps
// painting (user input waits) until the naming is done.
#pragma once

#include "CodeNaming.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QProgressDialog>

class NamingProgressDialog {
    Q_DECLARE_TR_FUNCTIONS(NamingProgressDialog)

public:
    static constexpr int kDefaultDelayMs = 500;
    // What the dialog says, in the user's language.
    static QString Text();

    explicit NamingProgressDialog(QWidget* parent, int delayMs = kDefaultDelayMs);
    ~NamingProgressDialog();
    NamingProgressDialog(const NamingProgressDialog&) = delete;
    NamingProgressDialog& operator=(const NamingProgressDialog&) = delete;

    // The callback to hand to the naming.
    NamingProgress Callback();
    // The dialog once it has been shown, else null.
    QProgressDialog* Dialog() const { return m_pDialog; }

private:
    void Pulse();

    QPointer<QWidget> m_pParent;
    int m_nDelayMs;
    QElapsedTimer m_Started;
    QElapsedTimer m_LastEvents;
    QPointer<QProgressDialog> m_pDialog;
    bool m_bCursor = false;
};
