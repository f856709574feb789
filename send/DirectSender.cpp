#include "HistorySender.h"

#include <QUrl>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// Closes the socket it holds when it goes.
struct SocketHold {
    int fd = -1;
    ~SocketHold() {
        if (fd >= 0) ::close(fd);
    }
};

// Milliseconds left until `deadline`, at least 0.
int millisecondsLeft(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left <= 0 ? 0 : left > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(left);
}

// Waits until the socket can be written or the deadline passes.
bool waitWritable(int fd, Clock::time_point deadline) {
    for (;;) {
        pollfd p{fd, POLLOUT, 0};
        const int n = ::poll(&p, 1, millisecondsLeft(deadline));
        if (n > 0) return (p.revents & POLLOUT) != 0 || (p.revents & (POLLERR | POLLHUP)) != 0;
        if (n == 0) return false;
        if (errno != EINTR) return false;
    }
}

bool outOfResources(int error) {
    return error == EMFILE || error == ENFILE || error == ENOBUFS || error == ENOMEM;
}

// A connected socket to one of the host's addresses, or -1 with `noSocket`
// set when no socket could be made at all.
int connectTo(const addrinfo* list, Clock::time_point deadline, bool& noSocket) {
    noSocket = false;
    bool made = false, exhausted = false;
    for (const addrinfo* a = list; a; a = a->ai_next) {
        const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) {
            exhausted = exhausted || outOfResources(errno);
            continue;
        }
        made = true;
        SocketHold hold{fd};
        if (::connect(fd, a->ai_addr, a->ai_addrlen) != 0) {
            if (errno != EINPROGRESS || !waitWritable(fd, deadline)) continue;
            int error = 0;
            socklen_t size = sizeof error;
            if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0 || error != 0) continue;
        }
        hold.fd = -1;
        return fd;
    }
    noSocket = !made && exhausted;
    return -1;
}

// A host name looked up on a thread of its own: the send waits for it only
// until its deadline, and a resolver that never answers keeps that thread,
// never the send or the program's exit.
struct HostLookup {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    addrinfo* list = nullptr;
    ~HostLookup() {
        if (list) ::freeaddrinfo(list);
    }
};

std::shared_ptr<HostLookup> lookUp(const std::string& host, const std::string& port, Clock::time_point deadline) {
    auto lookup = std::make_shared<HostLookup>();
    try {
        std::thread([lookup, host, port] {
            addrinfo hints{};
            hints.ai_family = AF_UNSPEC;
            hints.ai_socktype = SOCK_STREAM;
            hints.ai_flags = AI_ADDRCONFIG;
            addrinfo* found = nullptr;
            if (::getaddrinfo(host.c_str(), port.c_str(), &hints, &found) != 0) found = nullptr;
            const std::lock_guard lock(lookup->mutex);
            lookup->list = found;
            lookup->finished = true;
            lookup->done.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        return nullptr;  // no thread: no address
    }
    std::unique_lock lock(lookup->mutex);
    if (!lookup->done.wait_until(lock, deadline, [&] { return lookup->finished; }) || !lookup->list) return nullptr;
    return lookup;
}

}  // namespace

SendResult SendBytesDirect(const QString& address, int port, const QByteArray& bytes, const SendLimits& limits) {
    const QString host = address.trimmed();
    if (host.isEmpty() || port <= 0 || port > 65535) return SendResult::ConnectFailed;
    const Clock::time_point connectBy = Clock::now() + limits.connect;
    // The bound holds for the lookup and the connect together.
    const QByteArray ace = QUrl::toAce(host);  // a name in Japanese as the resolver takes it
    const std::shared_ptr<HostLookup> found =
        lookUp((ace.isEmpty() ? host.toUtf8() : ace).toStdString(), std::to_string(port), connectBy);
    if (!found) return SendResult::ConnectFailed;
    bool noSocket = false;
    SocketHold socket{connectTo(found->list, connectBy, noSocket)};
    if (socket.fd < 0) return noSocket ? SendResult::NoSocket : SendResult::ConnectFailed;

    const Clock::time_point writeBy = Clock::now() + limits.write;
    const char* next = bytes.constData();
    std::size_t left = static_cast<std::size_t>(bytes.size());
    while (left > 0) {
        const ssize_t sent = ::send(socket.fd, next, left, MSG_NOSIGNAL);
        if (sent > 0) {
            next += sent;
            left -= static_cast<std::size_t>(sent);
            continue;
        }
        if (sent < 0 && errno == EINTR) continue;
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && waitWritable(socket.fd, writeBy)) continue;
        return SendResult::WriteFailed;
    }
    // Every byte is with the system, which delivers them before the close.
    ::shutdown(socket.fd, SHUT_WR);
    return SendResult::Sent;
}
