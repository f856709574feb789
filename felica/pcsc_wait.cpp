#include "pcsc_wait.h"

#include "pcsc_calls.h"
#include "pcsc_transport.h"

#include <algorithm>
#include <vector>

namespace felica::pcsc {
namespace {

constexpr char kReaderListChanges[] = "\\\\?PnP?\\Notification";

DWORD waitTime(std::chrono::milliseconds timeout) {
    if (timeout.count() < 0) return INFINITE;
    return static_cast<DWORD>(std::min<std::int64_t>(timeout.count(), 0x7FFFFFFF));
}

}  // namespace

CardWait::~CardWait() { drop(); }

bool CardWait::cardPresent(std::uint32_t state) {
    return (state & SCARD_STATE_PRESENT) != 0 && (state & (SCARD_STATE_UNKNOWN | SCARD_STATE_UNAVAILABLE)) == 0;
}

bool CardWait::ready(std::string& error) {
    if (context_) return true;
    SCARDCONTEXT context = 0;
    const LONG rv = establish(context);
    if (rv != SCARD_S_SUCCESS) {
        error = connectError("PC/SC is not available", rv);
        return false;
    }
    std::lock_guard hold(mutex_);
    context_ = context;
    return true;
}

void CardWait::drop() {
    std::intptr_t context = 0;
    {
        std::lock_guard hold(mutex_);
        std::swap(context, context_);
    }
    if (context) release(context);
}

long CardWait::statusChange(void* states, unsigned long count, std::chrono::milliseconds timeout) {
    SCARDCONTEXT context = 0;
    {
        std::lock_guard hold(mutex_);
        if (cancelled_) {
            cancelled_ = false;
            return SCARD_E_CANCELLED;
        }
        waiting_ = true;
        context = context_;
    }
    const LONG rv = SCardGetStatusChange(context, waitTime(timeout), static_cast<SCARD_READERSTATE*>(states), count);
    std::lock_guard hold(mutex_);
    waiting_ = false;
    if (rv == SCARD_E_CANCELLED) cancelled_ = false;
    done_.notify_all();
    return rv;
}

void CardWait::cancel() {
    std::unique_lock lock(mutex_);
    cancelled_ = true;
    // A wait that has not reached pcscd yet misses a cancel: it is sent
    // again until the wait is over.
    while (waiting_) {
        const SCARDCONTEXT context = context_;
        lock.unlock();
        SCardCancel(context);
        lock.lock();
        done_.wait_for(lock, std::chrono::milliseconds(20), [this] { return !waiting_; });
    }
}

CardWait::Event CardWait::waitForChange(const std::string& name, std::uint32_t& seen,
                                        std::chrono::milliseconds timeout, std::string& reader,
                                        std::string& error) {
    if (!ready(error)) return Event::NoReader;
    std::vector<std::string> names;
    error = readerNames(context_, names);
    if (!error.empty()) {
        drop();  // pcscd may have gone; a later wait starts afresh
        return Event::NoReader;
    }
    const auto chosen = std::find_if(names.begin(), names.end(), [&](const std::string& n) {
        return name.empty() ? routeForName(n).has_value() : n == name;
    });
    if (chosen == names.end()) {
        std::string listed;
        for (const auto& n : names) listed += (listed.empty() ? "\"" : ", \"") + n + "\"";
        error = name.empty() ? "pcscd lists no FeliCa reader/writer (it lists " + listed + ")"
                             : "pcscd lists no reader/writer \"" + name + "\" (it lists " + listed + ")";
        return Event::NoReader;
    }
    if (*chosen != reader) seen = SCARD_STATE_UNAWARE;  // another reader: its state is not known
    reader = *chosen;
    SCARD_READERSTATE state{};
    state.szReader = reader.c_str();
    state.dwCurrentState = seen;
    const LONG rv = statusChange(&state, 1, timeout);
    if (rv == SCARD_E_TIMEOUT) return Event::TimedOut;
    if (rv == SCARD_E_CANCELLED) return Event::Cancelled;
    if (rv == SCARD_S_SUCCESS && !(state.dwEventState & (SCARD_STATE_UNKNOWN | SCARD_STATE_IGNORE))) {
        seen = static_cast<std::uint32_t>(state.dwEventState & ~static_cast<DWORD>(SCARD_STATE_CHANGED));
        return Event::Changed;
    }
    seen = SCARD_STATE_UNAWARE;
    if (rv == SCARD_S_SUCCESS || rv == SCARD_E_UNKNOWN_READER) {
        error = "the reader/writer \"" + reader + "\" was unplugged";
        return Event::NoReader;
    }
    error = connectError("pcscd could not watch \"" + reader + "\"", rv);
    drop();
    return Event::NoReader;
}

CardWait::Event CardWait::waitForReaders(std::chrono::milliseconds timeout) {
    std::string error;
    if (!ready(error)) return Event::NoReader;
    std::vector<std::string> names;
    const bool listed = readerNames(context_, names).empty();
    if (!listed) names.clear();
    SCARD_READERSTATE state{};
    state.szReader = kReaderListChanges;
    // pcscd compares the number of readers in the high word with its own.
    state.dwCurrentState = static_cast<DWORD>(names.size()) << 16;
    const LONG rv = statusChange(&state, 1, timeout);
    if (rv == SCARD_S_SUCCESS) return Event::Changed;
    if (rv == SCARD_E_TIMEOUT) return Event::TimedOut;
    if (rv == SCARD_E_CANCELLED) return Event::Cancelled;
    drop();
    return Event::NoReader;
}

}  // namespace felica::pcsc
