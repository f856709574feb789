// SIGTERM (a session ending, `kill`), SIGHUP (the terminal or the session
// going away) and SIGINT (Ctrl+C in a terminal) end the window program as a
// close from the window does: its windows close (saving their size and the
// column widths) and the event loop ends. A second signal of the same kind
// ends the process at once.
#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

class EndSignals : public QObject {
public:
    // Installs the handlers; `onSignal` runs on this thread's event loop.
    EndSignals(std::function<void(int signal)> onSignal, QObject* parent = nullptr);
    // Puts the default handlers back.
    ~EndSignals() override;
    EndSignals(const EndSignals&) = delete;
    EndSignals& operator=(const EndSignals&) = delete;

    // Whether the handlers are in place (false when the pipe could not be made).
    bool IsActive() const { return m_Pipe[0] >= 0; }
    // Whether a signal has been handled: one that came before the event loop
    // ran (while start-up showed a message) could not end that loop.
    bool Received() const { return m_bReceived; }

private:
    void Drain();

    int m_Pipe[2] = {-1, -1};
    QSocketNotifier* m_pNotifier = nullptr;
    std::function<void(int)> m_OnSignal;
    bool m_bReceived = false;
};

// Closes every window as the user would (a window that refuses stays) and
// ends every running event loop, the nested ones of message boxes too.
void CloseAllAndQuit();
