// One TCP connection that carries a block of bytes to a server and closes.
// Looking the host name up and connecting give up together after a bound (a
// lookup still running then is left behind, never waited for), and writing
// after another; while it waits, the thread's event loop keeps running (user
// input excluded), so a window keeps painting.
#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>

struct SendLimits {
    std::chrono::milliseconds connect{5000};
    std::chrono::milliseconds write{5000};
};

enum class SendResult {
    Sent,
    NoSocket,       // no socket could be made
    ConnectFailed,  // empty address, port outside 1..65535, unknown host, refused, no answer in time
    WriteFailed,    // connected, but the bytes did not all go out in time
};

SendResult SendBytes(const QString& address, int port, const QByteArray& bytes, const SendLimits& limits = {});

// The same over plain sockets, blocking the calling thread until the bytes
// are out or a bound has passed (the lookup and the connect together within
// the connect bound, as above). It needs no Qt Network and no event loop: what
// kuvora-cli sends with.
SendResult SendBytesDirect(const QString& address, int port, const QByteArray& bytes, const SendLimits& limits = {});

using ByteSender = SendResult (*)(const QString& address, int port, const QByteArray& bytes, const SendLimits& limits);
