// Read on touch: a thread that watches the reader and says when a card has
// been placed on it (each card once per placement). The window reads it then,
// as if Read had been chosen. The watch pauses while a command of the window
// uses the reader.
#pragma once

#include "read_idm.h"

#include <QObject>

#include <atomic>
#include <thread>

class ReaderWatcher : public QObject {
    Q_OBJECT
public:
    explicit ReaderWatcher(QObject* parent = nullptr);
    ~ReaderWatcher() override;

    // Watches from now on; a card already on the reader does not count.
    void Start();
    void Stop();
    bool Running() const { return m_Thread.joinable(); }

    // Keeps the reader to a command of the window for as long as it lives.
    class Pause {
    public:
        explicit Pause(ReaderWatcher* w) : m_pWatcher(w && w->Running() ? w : nullptr) {
            if (m_pWatcher) m_pWatcher->Stop();
        }
        ~Pause() {
            if (m_pWatcher) m_pWatcher->Start();
        }
        Pause(const Pause&) = delete;
        Pause& operator=(const Pause&) = delete;

    private:
        ReaderWatcher* m_pWatcher;
    };

signals:
    void CardPlaced();
    // The reader could not be opened (said once each time it goes away).
    void NoReader();

private:
    void Run();

    std::thread m_Thread;
    std::atomic<bool> m_bStop{false};
    bool m_bSettled = false;
    felica::PlacementWatch m_Watch;
};
