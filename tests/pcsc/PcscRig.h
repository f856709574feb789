// A private pcscd with vsmartcard's vpcd as its one reader, and vICCs (card
// images in a PN53x or a transparent-exchange reader) that connect to it.
// pcscd runs in its own mount namespace with a private /run/pcscd and no USB
// drivers, so it never meets the system's pcscd or a real reader; clients
// find it through PCSCLITE_CSOCK_NAME, which the rig sets for this process
// and the programs it starts.
#pragma once

#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace test {

// A port, and the one after it (vpcd's second slot), that are free now.
inline bool portFree(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    const bool ok = ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(fd);
    return ok;
}

inline int freePortPair() {
    for (int attempt = 0; attempt < 50; ++attempt) {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        socklen_t len = sizeof a;
        const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
                           ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0;
        ::close(fd);
        const int port = bound ? ntohs(a.sin_port) : 0;
        if (port > 0 && port < 65535 && portFree(port) && portFree(port + 1)) return port;
    }
    return 0;
}

class PcscRig {
public:
    // `friendlyName` is the reader's name before vpcd's " 00 00".
    explicit PcscRig(const QString& friendlyName) : name_(friendlyName + " 00 00") {
        port_ = freePortPair();
        QDir(dir_.path()).mkpath("conf");
        // The client library keeps the first socket path it was given for
        // the life of the process: every rig of a process uses the same one.
        QDir(runDir()).removeRecursively();
        QDir().mkpath(runDir());
        QFile conf(dir_.filePath("conf/vpcd"));
        if (!conf.open(QIODevice::WriteOnly)) return;
        conf.write(QString("FRIENDLYNAME \"%1\"\nDEVICENAME /dev/null:%2\n"
                           "LIBPATH /usr/lib/pcsc/drivers/serial/libifdvpcd.so\nCHANNELID %2\n")
                       .arg(friendlyName)
                       .arg(port_)
                       .toUtf8());
        conf.close();
        startPcscd();
    }
    // Starts pcscd (again, after stopPcscd); error() says why it did not.
    void startPcscd() {
        error_.clear();
        // pcscd built with polkit asks it whether a client may connect, and
        // no polkit answers in here: such a pcscd is told not to ask.
        QProcess help;
        help.setProcessChannelMode(QProcess::MergedChannels);
        help.start("pcscd", {"--help"});
        help.waitForFinished(5000);
        const bool polkit = help.readAll().contains("--disable-polkit");
        const QString script =
            QString("mount -t tmpfs none /run && mkdir -p /run/pcscd && mount --bind '%1' /run/pcscd && "
                    "for d in /usr/lib/pcsc/drivers/*.bundle; do [ -d \"$d\" ] && mount -t tmpfs none \"$d\"; done; "
                    "exec pcscd --foreground --apdu --debug %3-c '%2'")
                .arg(runDir(), dir_.filePath("conf"), polkit ? "--disable-polkit " : "");
        pcscd_.setProcessChannelMode(QProcess::MergedChannels);
        const QString socket = runDir() + "/pcscd.comm";
        QFile::remove(socket);
        pcscd_.start("unshare", {::geteuid() == 0 ? "-m" : "-rm", "--propagation", "private", "sh", "-c", script});
        for (int i = 0; i < 200 && !QFile::exists(socket); ++i) {
            if (pcscd_.state() == QProcess::NotRunning) break;
            QThread::msleep(50);
        }
        if (!QFile::exists(socket)) {
            error_ = "pcscd did not start (needs pcscd, vsmartcard-vpcd and mount namespaces): " +
                     QString::fromLocal8Bit(pcscd_.readAll()).left(2000);
            return;
        }
        qputenv("PCSCLITE_CSOCK_NAME", socket.toLocal8Bit());
    }
    ~PcscRig() {
        removeCard();
        if (pcscd_.state() != QProcess::NotRunning) {
            pcscd_.terminate();
            if (!pcscd_.waitForFinished(5000)) pcscd_.kill();
            pcscd_.waitForFinished(2000);
        }
        QDir(runDir()).removeRecursively();
    }
    PcscRig(const PcscRig&) = delete;
    PcscRig& operator=(const PcscRig&) = delete;

    // "" when pcscd runs, else why not.
    QString error() const { return error_; }
    QString readerName() const { return name_; }
    // vpcd's port for the reader's first slot, where a vICC connects.
    int port() const { return port_; }

    // Places the card of `image` in the reader: `kind` is --acr122 or
    // --transparent, `fault` "" or one of the vICC's faults. True once pcscd
    // has seen the card.
    bool placeCard(const QString& kind, const QString& image, const QString& fault = {}) {
        removeCard();
        QStringList args{kind};
        if (!fault.isEmpty()) args << "--fault" << fault;
        args << QString::number(port_) << image;
        vicc_.start(binaryPath("bin/vicc"), args);
        for (int i = 0; i < 100; ++i) {
            if (vicc_.canReadLine() || vicc_.waitForReadyRead(100)) {
                if (vicc_.readLine().startsWith("inserted")) {
                    QThread::msleep(200);  // pcscd records the card after the ATR
                    return true;
                }
            }
            if (vicc_.state() == QProcess::NotRunning) break;
        }
        return false;
    }
    void removeCard() {
        if (vicc_.state() == QProcess::NotRunning) return;
        vicc_.terminate();
        if (!vicc_.waitForFinished(3000)) vicc_.kill();
        vicc_.waitForFinished(2000);
        QThread::msleep(600);  // pcscd's card poll notices the removal
    }
    // pcscd's own log (APDUs and answers).
    QString log() { return QString::fromLocal8Bit(pcscd_.readAll()); }
    void stopPcscd() {
        pcscd_.terminate();
        pcscd_.waitForFinished(5000);
    }

private:
    static QString runDir() { return QDir::temp().filePath(QString("kuvora-pcsc-rig-%1").arg(::getpid())); }

    QTemporaryDir dir_;
    QString name_;
    int port_ = 0;
    QProcess pcscd_;
    QProcess vicc_;
    QString error_;
};

}  // namespace test
