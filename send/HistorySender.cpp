#include "HistorySender.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QHostAddress>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include <netdb.h>
#include <sys/socket.h>

namespace {

// A host name looked up on a thread of its own. The send waits for it only
// as long as its bound allows; a resolver that does not answer keeps the
// thread, never the send or the program's exit (QTcpSocket's own lookup runs
// in a pool that is waited for when the program ends).
struct HostLookup {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    std::vector<QHostAddress> addresses;
};

std::shared_ptr<HostLookup> startLookup(const QByteArray& host) {
    auto lookup = std::make_shared<HostLookup>();
    try {
        std::thread([lookup, host] {
            std::vector<QHostAddress> found;
            addrinfo hints{};
            hints.ai_family = AF_UNSPEC;
            hints.ai_socktype = SOCK_STREAM;
            hints.ai_flags = AI_ADDRCONFIG;
            addrinfo* list = nullptr;
            if (::getaddrinfo(host.constData(), nullptr, &hints, &list) == 0) {
                for (const addrinfo* a = list; a; a = a->ai_next) {
                    const QHostAddress address(a->ai_addr);
                    if (!address.isNull() && std::find(found.begin(), found.end(), address) == found.end())
                        found.push_back(address);
                }
                ::freeaddrinfo(list);
            }
            const std::lock_guard lock(lookup->mutex);
            lookup->addresses = std::move(found);
            lookup->finished = true;
            lookup->done.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        const std::lock_guard lock(lookup->mutex);
        lookup->finished = true;  // no thread: no address
    }
    return lookup;
}

// The addresses of `host` (an address itself, or a name looked up), or none
// when the lookup fails or `deadline` passes first. Meanwhile the thread's
// event loop keeps running, user input excluded.
std::vector<QHostAddress> resolve(const QString& host, const QDeadlineTimer& deadline) {
    QHostAddress literal;
    if (literal.setAddress(host)) return {literal};
    const QByteArray ace = QUrl::toAce(host);  // a name in Japanese as the resolver takes it
    const std::shared_ptr<HostLookup> lookup = startLookup(ace.isEmpty() ? host.toUtf8() : ace);
    auto finished = [&] {
        const std::lock_guard lock(lookup->mutex);
        return lookup->finished;
    };
    if (QCoreApplication::instance()) {
        QEventLoop loop;
        QTimer poll;
        poll.setInterval(5);
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (finished() || deadline.hasExpired()) loop.quit();
        });
        poll.start();
        if (!finished() && !deadline.hasExpired()) loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    std::unique_lock lock(lookup->mutex);
    lookup->done.wait_until(lock, deadline.deadline<std::chrono::steady_clock>(), [&] { return lookup->finished; });
    return lookup->finished ? lookup->addresses : std::vector<QHostAddress>{};
}

// Runs the event loop until `done` holds or the time is up; without an
// application object it waits on the socket instead.
template <typename Done>
bool waitFor(QTcpSocket& socket, std::chrono::milliseconds limit, Done done, bool connecting) {
    if (done()) return true;
    if (!QCoreApplication::instance()) {
        const QDeadlineTimer deadline(limit);
        while (!done() && !deadline.hasExpired() && socket.state() != QAbstractSocket::UnconnectedState) {
            const int left = static_cast<int>(deadline.remainingTime());
            if (connecting ? !socket.waitForConnected(left) : !socket.waitForBytesWritten(left)) break;
        }
        return done();
    }
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    auto check = [&] {
        if (done() || socket.state() == QAbstractSocket::UnconnectedState) loop.quit();
    };
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(&socket, &QAbstractSocket::connected, &loop, check);
    QObject::connect(&socket, &QAbstractSocket::bytesWritten, &loop, check);
    QObject::connect(&socket, &QAbstractSocket::errorOccurred, &loop, &QEventLoop::quit);
    QObject::connect(&socket, &QAbstractSocket::stateChanged, &loop, check);
    timer.start(limit);
    if (!done() && socket.state() != QAbstractSocket::UnconnectedState) loop.exec(QEventLoop::ExcludeUserInputEvents);
    return done();
}

}  // namespace

SendResult SendBytes(const QString& address, int port, const QByteArray& bytes, const SendLimits& limits) {
    if (address.trimmed().isEmpty() || port <= 0 || port > 65535) return SendResult::ConnectFailed;
    // The bound holds for the lookup and the connect together; each address
    // of the host is tried in turn within it.
    const QDeadlineTimer deadline(limits.connect, Qt::PreciseTimer);
    QTcpSocket socket;
    bool connected = false;
    for (const QHostAddress& host : resolve(address.trimmed(), deadline)) {
        socket.connectToHost(host, static_cast<quint16>(port));
        connected = waitFor(
            socket, std::chrono::milliseconds(std::max<qint64>(0, deadline.remainingTime())),
            [&] { return socket.state() == QAbstractSocket::ConnectedState; }, true);
        if (connected) break;
        const auto error = socket.error();
        socket.abort();
        if (error == QAbstractSocket::SocketResourceError) return SendResult::NoSocket;
        if (deadline.hasExpired()) break;
    }
    if (!connected) return SendResult::ConnectFailed;
    if (socket.write(bytes) != bytes.size()) {
        socket.abort();
        return SendResult::WriteFailed;
    }
    const bool written = waitFor(
        socket, limits.write,
        [&] { return socket.bytesToWrite() == 0 || socket.state() != QAbstractSocket::ConnectedState; }, false);
    if (!written || socket.bytesToWrite() > 0 || socket.state() != QAbstractSocket::ConnectedState) {
        socket.abort();
        return SendResult::WriteFailed;
    }
    socket.disconnectFromHost();
    return SendResult::Sent;
}
