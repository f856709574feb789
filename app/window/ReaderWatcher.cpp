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
    m_Watch.wake();  // a wait for the next poll or for pcscd ends at once
    m_Thread.join();
}

void ReaderWatcher::Run() {
    // A card that lay there already when the watch began stays unread; after
    // a pause the watch knows what it reported and what the window read.
    if (!m_bSettled) m_Watch.settle();
    m_bSettled = true;
    while (!m_bStop) {
        felica::Idm idm{};
        switch (m_Watch.waitForNewCard(idm, std::chrono::milliseconds(-1), &m_bStop)) {
        case felica::PlacementWatch::Result::Card:
            QMetaObject::invokeMethod(this, &ReaderWatcher::CardPlaced, Qt::QueuedConnection);
            break;
        case felica::PlacementWatch::Result::NoReader:
            // Said once each time the reader goes; the watch waits for it.
            QMetaObject::invokeMethod(this, &ReaderWatcher::NoReader, Qt::QueuedConnection);
            break;
        default: break;
        }
    }
}
