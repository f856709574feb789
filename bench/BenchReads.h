// One Auto-mode Read with the reader device opened afresh, timed and counted,
// for the reader benchmarks.
#pragma once

#include "CKuvoraDoc.h"
#include "MessageSink.h"
#include "felica.h"
#include "library_control.h"

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <vector>

struct BenchReads {
    std::vector<double> ms;
    std::size_t inits = 0, commands = 0;
    bool failed = false;
    double median() {
        std::sort(ms.begin(), ms.end());
        return ms.empty() ? 0 : ms[ms.size() / 2];
    }
    double per(std::size_t total) const { return ms.empty() ? 0 : static_cast<double>(total) / ms.size(); }
};

// Reads the card on the reader selected now into a new document.
inline void benchAutoRead(BenchReads& into) {
    RecordingMessageSink messages;
    ScopedMessageSink sink(&messages);
    felica::setIdleRelease(std::chrono::milliseconds(0));  // each read starts without a kept device
    felica::setIdleRelease(std::chrono::milliseconds(1500));
    felica::resetCounters();
    CKuvoraDoc doc;
    doc.OnNewDocument();
    doc.m_nMode = 0;
    const auto start = std::chrono::steady_clock::now();
    doc.OnCardRead();
    into.ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    into.inits += felica::counters().transportsOpened;
    into.commands += felica::counters().commandsSent;
    if (!messages.messages.isEmpty() || doc.m_nCardType == 0) into.failed = true;
}
