#include "ReaderWatcher.h"

#include <chrono>

ReaderWatcher::ReaderWatcher(QObject* parent) : QObject(parent) {}

ReaderWatcher::~ReaderWatcher() { Stop(); }

void ReaderWatcher::Start() {
    if (m_Thread.joinable()) return;
    m_bStop = false;
    m_Thread = std::thread([this] { Run(); });
}

void ReaderWatcher::Stop() {
    if (!m_Thread.joinable()) return;
    m_bStop = true;
    m_Thread.join();
}

void ReaderWatcher::Run() {
    // The card the window just read (or that lay there already) stays unread.
    m_Watch.settle();
    bool told = false;
    while (!m_bStop) {
        felica::Idm idm{};
        switch (m_Watch.waitForNewCard(idm, std::chrono::milliseconds(-1), &m_bStop)) {
        case felica::PlacementWatch::Result::Card:
            QMetaObject::invokeMethod(this, &ReaderWatcher::CardPlaced, Qt::QueuedConnection);
            break;
        case felica::PlacementWatch::Result::NoReader:
            if (!told) QMetaObject::invokeMethod(this, &ReaderWatcher::NoReader, Qt::QueuedConnection);
            told = true;
            // A reader may be plugged in later: look again now and then.
            for (int i = 0; i < 20 && !m_bStop; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
            break;
        default: break;
        }
    }
}
