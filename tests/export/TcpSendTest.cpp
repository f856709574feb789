#include "CKuvoraDoc.h"
#include "CSettingsStore.h"
#include "DocumentReads.h"
#include "HistoryExport.h"
#include "HistorySender.h"
#include "TestSupport.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace history;
using namespace std::chrono_literals;

namespace {

QString sample(const char* name) { return "image:" + test::sourcePath(QString("data/cards/") + name); }

// Everything one client sends to the server, until it closes.
QByteArray receiveAll(QTcpServer& server) {
    if (!server.hasPendingConnections() && !server.waitForNewConnection(2000)) return QByteArray();
    QTcpSocket* client = server.nextPendingConnection();
    QByteArray data = client->readAll();
    while (client->state() == QAbstractSocket::ConnectedState && client->waitForReadyRead(2000)) data += client->readAll();
    data += client->readAll();
    delete client;
    return data;
}

QString fromUtf16Le(const QByteArray& bytes) {
    return QString(reinterpret_cast<const QChar*>(bytes.constData()), bytes.size() / 2);
}

struct TcpSend : ::testing::Test {
    test::IsolatedHome home;
    RecordingMessageSink messages;
    ScopedMessageSink sink{&messages};
    test::LibrarySession session;
    QTcpServer server;

    TcpSend() {
        test::importSampleNames();
        EXPECT_TRUE(server.listen(QHostAddress::LocalHost));
    }
    void settingsFor(bool on, const QString& address, int port) {
        settings::WriteInt("TCPIPSend", on ? 1 : 0);
        settings::WriteString("ServerAddress", address);
        settings::WriteInt("ServerPort", port);
    }
    std::unique_ptr<CKuvoraDoc> read(const char* card, int mode) {
        return test::ReadDocument(session, sample(card), mode);
    }
};

}  // namespace

TEST_F(TcpSend, AReadSendsTheHeaderAndTheCardRowsAsUtf16) {
    settingsFor(true, "127.0.0.1", server.serverPort());
    auto doc = read("suica-sample.json", 1);
    EXPECT_TRUE(messages.messages.isEmpty()) << messages.messages.join('|').toStdString();
    const QByteArray bytes = receiveAll(server);
    ASSERT_EQ(bytes.size() % 2, 0);
    EXPECT_FALSE(bytes.startsWith("\xFF\xFE"));
    const QString text = fromUtf16Le(bytes);
    EXPECT_EQ(text.count('\n'), 22);
    EXPECT_TRUE(text.startsWith("01010410C8192A3B\n1\n16010000357C011001308E0D0002B400\t改札機\t支払\t26年11月28日\t\t01"
                                "\t10\t見本中央\t01\t30\t見本公園\t 3470\t     692\t\n"))
        << text.left(200).toStdString();
    EXPECT_EQ(bytes, HistorySendBytes(*doc));
    // The bytes are the text's UTF-16LE code units: 改 is U+6539.
    EXPECT_TRUE(bytes.contains(QByteArray("\x39\x65", 2)));
}

TEST(TcpSendText, ARowWhoseTextsAreAllEmptyIsThirteenTabs) {
    test::IsolatedHome home;
    CKuvoraDoc empty;
    empty.OnNewDocument();
    empty.m_nCardRows = 1;
    EXPECT_EQ(HistorySendText(empty), "\n0\n\t\t\t\t\t\t\t\t\t\t\t\t\t\n");
}

TEST_F(TcpSend, ServersThatCannotBeReachedGiveOneMessageAndKeepTheRead) {
    const quint16 deadPort = server.serverPort();
    server.close();
    QTcpServer witness;
    ASSERT_TRUE(witness.listen(QHostAddress::LocalHost));
    for (const auto& [address, port] : {std::pair<QString, int>{"127.0.0.1", deadPort},
                                        {"127.0.0.1", 0},
                                        {"", witness.serverPort()},
                                        {"no-such-host.invalid", witness.serverPort()}}) {
        messages.messages.clear();
        settingsFor(true, address, port);
        QElapsedTimer timer;
        timer.start();
        auto doc = read("suica-sample.json", 1);
        EXPECT_LT(timer.elapsed(), 6000) << address.toStdString();
        EXPECT_EQ(messages.messages, QStringList{"サーバーへ接続失敗"}) << address.toStdString() << ":" << port;
        EXPECT_EQ(doc->m_nRows, 20);
        EXPECT_EQ(doc->m_History.Text(BlockData, 0), "16010000357C011001308E0D0002B400");
    }
    EXPECT_FALSE(witness.hasPendingConnections());
}

// A host name is looked up and each of its addresses tried in turn: the
// server listens on 127.0.0.1 only, while "localhost" may name ::1 first.
TEST_F(TcpSend, AHostNameReachesTheServerThroughEachOfItsAddresses) {
    EXPECT_EQ(SendBytes("localhost", server.serverPort(), "kuvora"), SendResult::Sent);
    EXPECT_EQ(receiveAll(server), "kuvora");
    EXPECT_EQ(SendBytes(" localhost ", server.serverPort(), "again"), SendResult::Sent);
    EXPECT_EQ(receiveAll(server), "again");
}

TEST_F(TcpSend, SendingOffOpensNoConnection) {
    settingsFor(false, "127.0.0.1", server.serverPort());
    read("suica-sample.json", 1);
    EXPECT_FALSE(server.waitForNewConnection(300));
    EXPECT_TRUE(messages.messages.isEmpty());
}

// A loopback listener of our own that never accepts: the kernel queues what
// clients send into a small receive buffer and nothing ever reads it. (A
// QTcpServer would accept and read everything as soon as an event loop runs.)
struct SilentListener {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    int port = 0;
    explicit SilentListener(int backlog) {
        const int small = 4096;
        ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        EXPECT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
        EXPECT_EQ(::listen(fd, backlog), 0);
        socklen_t len = sizeof addr;
        getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
        port = ntohs(addr.sin_port);
    }
    ~SilentListener() { ::close(fd); }
};

// Both senders: the window's over Qt Network and kuvora-cli's over plain sockets.
TEST_F(TcpSend, ConnectingAndWritingGiveUpAtTheirBounds) {
    for (const auto& [name, send] : {std::pair<const char*, ByteSender>{"SendBytes", SendBytes},
                                     {"SendBytesDirect", SendBytesDirect}}) {
        SCOPED_TRACE(name);
        QElapsedTimer timer;
        {
            // A listening socket whose queue is full answers no further connection.
            SilentListener full(0);
            std::vector<std::unique_ptr<QTcpSocket>> fillers;
            // The first takes the one place in the queue (waited for: on a
            // busy machine 200 ms may not see it through, and the send
            // would take the place instead); the others wait in vain.
            for (int i = 0; i < 3; ++i) {
                fillers.push_back(std::make_unique<QTcpSocket>());
                fillers.back()->connectToHost("127.0.0.1", full.port);
                const bool connected = fillers.back()->waitForConnected(i == 0 ? 10000 : 200);
                if (i == 0) {
                    ASSERT_TRUE(connected);
                }
            }
            timer.start();
            EXPECT_EQ(send("127.0.0.1", full.port, "x", {300ms, 300ms}), SendResult::ConnectFailed);
            EXPECT_GE(timer.elapsed(), 250);
            EXPECT_LT(timer.elapsed(), 2000);
        }
        // A server that takes the connection and never reads: 64 MiB cannot all go out.
        SilentListener deaf(4);
        timer.restart();
        EXPECT_EQ(send("127.0.0.1", deaf.port, QByteArray(64 << 20, 'x'), {1000ms, 300ms}), SendResult::WriteFailed);
        EXPECT_LT(timer.elapsed(), 3000);
    }
    // The bounds a read uses.
    EXPECT_EQ(SendLimits{}.connect, 5000ms);
    EXPECT_EQ(SendLimits{}.write, 5000ms);
}

// What each sender delivers, and what it says of places it cannot reach.
TEST_F(TcpSend, BothSendersDeliverEveryByteOrSayWhyNot) {
    const QByteArray bytes = QByteArray(50000, 'k') + "end";
    const quint16 open = server.serverPort();
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    const quint16 deadPort = closed.serverPort();
    closed.close();
    for (const auto& [name, send] : {std::pair<const char*, ByteSender>{"SendBytes", SendBytes},
                                     {"SendBytesDirect", SendBytesDirect}}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(send(" localhost ", open, bytes, {}), SendResult::Sent);
        EXPECT_EQ(receiveAll(server), bytes);
        const struct {
            QString address;
            int port;
        } unreachable[] = {{"127.0.0.1", deadPort}, {"127.0.0.1", 0}, {"127.0.0.1", 65536}, {"", open},
                           {"no-such-host.invalid", open}};
        for (const auto& u : unreachable)
            EXPECT_EQ(send(u.address, u.port, "x", {1000ms, 1000ms}), SendResult::ConnectFailed)
                << u.address.toStdString() << ":" << u.port;
    }
    EXPECT_FALSE(server.hasPendingConnections());
}
