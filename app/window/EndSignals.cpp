#include "EndSignals.h"

#include <QApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};

// The write end of the pipe the handler tells the event loop through.
volatile sig_atomic_t g_WriteEnd = -1;

extern "C" void onEndSignal(int signal) {
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signal);
    if (g_WriteEnd >= 0 && write(g_WriteEnd, &byte, 1) < 0) {
        // A full pipe already holds a signal for the event loop.
    }
    errno = saved;
}

}  // namespace

EndSignals::EndSignals(std::function<void(int)> onSignal, QObject* parent)
    : QObject(parent), m_OnSignal(std::move(onSignal)) {
    if (pipe2(m_Pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        m_Pipe[0] = m_Pipe[1] = -1;
        return;
    }
    g_WriteEnd = m_Pipe[1];
    m_pNotifier = new QSocketNotifier(m_Pipe[0], QSocketNotifier::Read, this);
    connect(m_pNotifier, &QSocketNotifier::activated, this, &EndSignals::Drain);
    struct sigaction action {};
    action.sa_handler = onEndSignal;
    sigemptyset(&action.sa_mask);
    // Once handled, the signal's default comes back: a second one ends the
    // process even when the close hangs.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (const int signal : kSignals) sigaction(signal, &action, nullptr);
}

EndSignals::~EndSignals() {
    if (m_Pipe[0] < 0) return;
    for (const int signal : kSignals) std::signal(signal, SIG_DFL);
    g_WriteEnd = -1;
    delete m_pNotifier;
    close(m_Pipe[0]);
    close(m_Pipe[1]);
}

void EndSignals::Drain() {
    unsigned char byte = 0;
    while (read(m_Pipe[0], &byte, 1) == 1) {
        m_bReceived = true;
        if (m_OnSignal) m_OnSignal(byte);
    }
}

void CloseAllAndQuit() {
    QApplication::closeAllWindows();
    // Not quit(): that ends nothing while a window is still open.
    QCoreApplication::exit(0);
}
