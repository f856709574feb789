#include "HistorySender.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTcpSocket>
#include <QTimer>

namespace {

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
    QTcpSocket socket;
    socket.connectToHost(address.trimmed(), static_cast<quint16>(port));
    const bool connected = waitFor(
        socket, limits.connect, [&] { return socket.state() == QAbstractSocket::ConnectedState; }, true);
    if (!connected) {
        const auto error = socket.error();
        socket.abort();
        return error == QAbstractSocket::SocketResourceError ? SendResult::NoSocket : SendResult::ConnectFailed;
    }
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
