// The automation object on a private bus, served from this process: its
// answers, the library and reader it leaves behind, calls that wait for the
// window's reader use, its interface description and the server's lifetime.
#include "CHistoryTable.h"
#include "CKuvoraDoc.h"
#include "CMainFrame.h"
#include "CSettingsStore.h"
#include "CTarnel.h"
#include "GuiMessageSink.h"
#include "PrivateBus.h"
#include "ReaderUse.h"
#include "StationNameCommands.h"
#include "TarnelServer.h"
#include "TestSupport.h"
#include "felica.h"
#include "library_control.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDBusPendingCallWatcher>
#include <QElapsedTimer>
#include <QDBusConnectionInterface>
#include <QFile>
#include <QMessageBox>
#include <QTimer>
#include <QXmlStreamReader>

#include <optional>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

struct Tarnel : ::testing::Test {
    test::IsolatedHome home;
    test::PrivateBus bus{home.file("services"), QProcessEnvironment::systemEnvironment()};
    QDBusConnection server = bus.connect("server");
    QDBusConnection client = bus.connect("client");
    QString card = test::writeImage(home, test::makeCard("0102030405060708", "0003"));

    void SetUp() override { ASSERT_TRUE(bus.running()) << bus.error().toStdString(); }

    QString answer() {
        const QDBusMessage reply = test::callReadCardIdm(client);
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
        return reply.arguments().value(0).toString();
    }

    // The client leaves the bus (its last reference goes with it).
    void dropClient() {
        client = QDBusConnection("gone");
        QDBusConnection::disconnectFromBus("client");
    }
};

// "method NAME(direction type name, ...)" for each method of `interfaceName`.
QStringList describe(const QString& xml, const QString& interfaceName) {
    QStringList methods;
    QXmlStreamReader r(xml);
    bool inside = false;
    while (!r.atEnd()) {
        r.readNext();
        if (r.isStartElement() && r.name() == u"interface") inside = r.attributes().value("name") == interfaceName;
        if (!inside || !r.isStartElement()) continue;
        if (r.name() == u"method") methods << "method " + r.attributes().value("name").toString();
        if (r.name() == u"arg")
            methods.last() += QString(" %1 %2 %3").arg(r.attributes().value("direction").toString(),
                                                      r.attributes().value("type").toString(),
                                                      r.attributes().value("name").toString());
    }
    EXPECT_FALSE(r.hasError()) << r.errorString().toStdString();
    return methods;
}

}  // namespace

TEST_F(Tarnel, AnswersTheIdmAndAnEmptySuccessWhenNothingAnswers) {
    test::LibrarySession session(card);
    TarnelServer tarnel(server, TarnelServer::Mode::Window);
    QString error;
    ASSERT_TRUE(tarnel.Start(error)) << error.toStdString();
    EXPECT_EQ(answer(), "0102030405060708");

    session.select("image:" + home.file("missing.json"));  // no reader opens
    EXPECT_EQ(answer(), "");

    // A card that does not answer the poll: the reader is closed all the same.
    auto lifted = std::make_shared<test::ScriptedTransport>(test::makeCard("0102030405060708", "0003"));
    lifted->filter = [](std::size_t, felica::TransceiveStatus, felica::Bytes&) {
        return felica::TransceiveStatus::NoAnswer;
    };
    test::TransportOverride override(lifted);
    EXPECT_EQ(answer(), "");
    EXPECT_EQ(override.opens(), 1u);
    EXPECT_FALSE(felica::readerOpen());
}

TEST_F(Tarnel, ManyCallsLeaveNoReaderOpenAndNoLibraryOnceTheClientIsGone) {
    set_reader_writer_name(card.toUtf8().constData());
    ASSERT_EQ(felica::initialisationCount(), 0);
    TarnelServer tarnel(server, TarnelServer::Mode::Window);
    QString error;
    ASSERT_TRUE(tarnel.Start(error)) << error.toStdString();
    for (int i = 0; i < 200; ++i) {
        ASSERT_EQ(answer(), "0102030405060708") << "call " << i;
        ASSERT_FALSE(felica::readerOpen());
    }
    EXPECT_EQ(felica::initialisationCount(), 1);  // one count for the client, however many calls
    EXPECT_EQ(tarnel.Object()->ClientCount(), 1);
    dropClient();
    EXPECT_TRUE(test::waitUntil([&] { return tarnel.Object()->ClientCount() == 0; }, 5000));
    EXPECT_EQ(felica::initialisationCount(), 0);
}

TEST_F(Tarnel, ClientsNeverTearDownTheWindowsLibrary) {
    test::LibrarySession window(card);  // the window program's own count
    {
        TarnelServer tarnel(server, TarnelServer::Mode::Window);
        QString error;
        ASSERT_TRUE(tarnel.Start(error));
        EXPECT_EQ(answer(), "0102030405060708");
        EXPECT_EQ(felica::initialisationCount(), 2);
    }  // the object goes while its client is still there
    EXPECT_EQ(felica::initialisationCount(), 1);
    EXPECT_TRUE(open_reader_writer_auto());
    EXPECT_TRUE(close_reader_writer());
}

TEST_F(Tarnel, CallsWaitUntilTheWindowIsDoneWithTheReader) {
    test::LibrarySession session(card);
    TarnelServer tarnel(server, TarnelServer::Mode::Window);
    QString error;
    ASSERT_TRUE(tarnel.Start(error));
    const auto call = [this] {
        return client.asyncCall(
            QDBusMessage::createMethodCall("Kuvora.Tarnel", "/Kuvora/Tarnel", "Kuvora.ITarnel", "ReadCardIDm"));
    };
    {
        std::optional<automation::ReaderUse> busy(std::in_place);
        QDBusPendingCall waiting = call();
        EXPECT_FALSE(test::waitUntil([&] { return waiting.isFinished(); }, 400));
        busy.reset();
        ASSERT_TRUE(test::waitUntil([&] { return waiting.isFinished(); }, 3000));
        EXPECT_EQ(waiting.reply().arguments().value(0).toString(), "0102030405060708");
    }

    // The window's Read command, with the event loop running inside it as a
    // message box or a progress dialog would run it: a call that comes in
    // meanwhile is answered after the read, never between its commands.
    RecordingMessageSink messages;
    ScopedMessageSink sink(&messages);
    std::string why;
    auto image = felica::CardImage::load(test::sourcePath("data/cards/suica-sample.json").toStdString(), why);
    ASSERT_TRUE(image) << why;
    auto transport = std::make_shared<test::ScriptedTransport>(*image);
    test::TransportOverride override(transport);
    std::optional<QDBusPendingCall> during;
    bool arrived = false, answeredDuringRead = false;
    transport->filter = [&](std::size_t i, felica::TransceiveStatus status, felica::Bytes&) {
        if (i == 0) {
            during = call();
            test::waitUntil([&] { return tarnel.Object()->ClientCount() > 0 && during->isFinished(); }, 300);
            arrived = tarnel.Object()->ClientCount() > 0;
        }
        QCoreApplication::processEvents();
        answeredDuringRead = answeredDuringRead || (during && during->isFinished());
        return status;
    };
    CKuvoraDoc doc;
    CMainFrame frame(&doc);
    const std::size_t opensBefore = override.opens();
    frame.ReadCard();
    const std::size_t commandsOfTheRead = transport->sent.size();
    EXPECT_TRUE(arrived);
    EXPECT_FALSE(answeredDuringRead);
    EXPECT_EQ(doc.m_strIDm, "01010410C8192A3B");
    ASSERT_TRUE(during && test::waitUntil([&] { return during->isFinished(); }, 3000));
    EXPECT_EQ(during->reply().arguments().value(0).toString(), "01010410C8192A3B");
    EXPECT_GT(override.opens(), opensBefore + 1);
    EXPECT_EQ(transport->sent.size(), commandsOfTheRead + 1);  // the call's own poll, after the read
}

// A message box the window's Read shows (a card lifted mid-read, a History.db
// that cannot be opened, a failed send) waits for the user; the reader is let
// go before it opens, and a call made while it is up is answered at once:
// "" when the card is gone, the IDm when it is still there.
TEST_F(Tarnel, CallsAreAnsweredWhileTheReadShowsAMessageBox) {
    test::LibrarySession session(card);
    TarnelServer tarnel(server, TarnelServer::Mode::Window);
    QString error;
    ASSERT_TRUE(tarnel.Start(error));
    std::string why;
    auto image = felica::CardImage::load(test::sourcePath("data/cards/suica-sample.json").toStdString(), why);
    ASSERT_TRUE(image) << why;
    test::importSampleNames();
    // A loopback port that was free a moment ago: a connect there is refused.
    int refusedPort = 0;
    {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof a;
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
        ASSERT_EQ(::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size), 0);
        refusedPort = ntohs(a.sin_port);
        ::close(fd);
    }

    const struct {
        const char* box;
        bool lifted;  // the card leaves at the first block read
        std::function<void()> before;
        const char* answer;
    } cases[] = {
        {"カードからのデータの読み込みに失敗しました", true, [] {}, ""},
        {"サーバーへ接続失敗", false,
         [&] {
             settings::WriteInt("TCPIPSend", 1);
             settings::WriteString("ServerAddress", "127.0.0.1");
             settings::WriteInt("ServerPort", refusedPort);
         },
         "01010410C8192A3B"},
        {"History.db", false,
         [] {
             settings::WriteInt("TCPIPSend", 0);
             QFile db(CHistoryTable().Path());
             ASSERT_TRUE(db.open(QIODevice::WriteOnly | QIODevice::Truncate));
             db.write(QByteArray(8192, 'x'));
         },
         "01010410C8192A3B"},
    };
    for (const auto& c : cases) {
        c.before();
        auto transport = std::make_shared<test::ScriptedTransport>(*image);
        bool gone = false;
        transport->filter = [&](std::size_t i, felica::TransceiveStatus status, felica::Bytes&) {
            gone = gone || (c.lifted && transport->sent[i].size() > 1 && transport->sent[i][1] == 0x06);
            return gone ? felica::TransceiveStatus::NoAnswer : status;
        };
        test::TransportOverride override(transport);
        CKuvoraDoc doc;
        CMainFrame frame(&doc);
        GuiMessageSink boxes;
        boxes.SetOwner(&frame);
        ScopedMessageSink sink(&boxes);
        QStringList texts, answers;
        bool readerOpenUnderBox = false, allAnswered = true;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible()) return;
            watch.stop();
            texts << box->text();
            readerOpenUnderBox = readerOpenUnderBox || felica::readerOpen();
            QDBusPendingCall call = client.asyncCall(
                QDBusMessage::createMethodCall("Kuvora.Tarnel", "/Kuvora/Tarnel", "Kuvora.ITarnel", "ReadCardIDm"));
            allAnswered = test::waitUntil([&] { return call.isFinished(); }, 5000) && allAnswered;
            answers << (call.isFinished() ? call.reply().arguments().value(0).toString() : QStringLiteral("(none)"));
            box->accept();
            watch.start();
        });
        watch.start(20);
        frame.ReadCard();
        watch.stop();
        ASSERT_FALSE(texts.isEmpty()) << c.box;
        EXPECT_TRUE(texts.join('|').contains(QString::fromUtf8(c.box))) << texts.join('|').toStdString();
        EXPECT_TRUE(allAnswered) << c.box;
        EXPECT_EQ(answers.first().toStdString(), c.answer) << c.box;
        EXPECT_FALSE(readerOpenUnderBox) << c.box;
        EXPECT_FALSE(felica::readerOpen());
    }
}

// A station table imported from the window is read on a thread of its own:
// a call made while a large table is checked is answered before the import
// ends.
TEST_F(Tarnel, CallsAreAnsweredWhileAStationTableIsImported) {
    test::LibrarySession session(card);
    TarnelServer tarnel(server, TarnelServer::Mode::Window);
    QString error;
    ASSERT_TRUE(tarnel.Start(error)) << error.toStdString();
    QFile csv(home.file("StationCode.csv"));
    ASSERT_TRUE(csv.open(QIODevice::WriteOnly));
    csv.write("AreaCode,LineCode,StationCode,CompanyName,LineName,StationName,Note\n" +
              QByteArray("0,0,0\n").repeated(300000));
    csv.close();
    CKuvoraDoc doc;
    CMainFrame frame(&doc);
    frame.show();
    QElapsedTimer clock;
    clock.start();
    std::unique_ptr<QDBusPendingCallWatcher> call;
    qint64 answeredAt = -1;
    QString idm;
    const StationImport result = RunStationImport(&frame, {csv.fileName()}, 0, [&](StationImportProgressDialog*) {
        call = std::make_unique<QDBusPendingCallWatcher>(client.asyncCall(
            QDBusMessage::createMethodCall("Kuvora.Tarnel", "/Kuvora/Tarnel", "Kuvora.ITarnel", "ReadCardIDm")));
        QObject::connect(call.get(), &QDBusPendingCallWatcher::finished, [&] {
            answeredAt = clock.elapsed();
            idm = call->reply().arguments().value(0).toString();
        });
    });
    const qint64 importedAt = clock.elapsed();
    EXPECT_EQ(result.errors.size(), 101);
    ASSERT_TRUE(call);
    EXPECT_GE(answeredAt, 0);
    EXPECT_LT(answeredAt, importedAt);
    EXPECT_EQ(idm, "0102030405060708");
}

TEST_F(Tarnel, IntrospectionMatchesTheInstalledInterfaceFile) {
    TarnelServer tarnel(server, TarnelServer::Mode::Window);
    QString error;
    ASSERT_TRUE(tarnel.Start(error));
    QDBusPendingCall call = client.asyncCall(QDBusMessage::createMethodCall(
        "Kuvora.Tarnel", "/Kuvora/Tarnel", "org.freedesktop.DBus.Introspectable", "Introspect"));
    test::waitUntil([&] { return call.isFinished(); }, 5000);
    const QDBusMessage reply = call.reply();
    ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    QFile file(test::sourcePath("automation/Kuvora.ITarnel.xml"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList installed = describe(QString::fromUtf8(file.readAll()), "Kuvora.ITarnel");
    EXPECT_EQ(installed, QStringList{"method ReadCardIDm out s "});
    EXPECT_EQ(describe(reply.arguments().value(0).toString(), "Kuvora.ITarnel"), installed);
}

TEST_F(Tarnel, AnAutomationOnlyServerEndsAfterItsLastClientAndYieldsToAWindow) {
    set_reader_writer_name(card.toUtf8().constData());
    int finished = 0;
    {
        TarnelServer alone(server, TarnelServer::Mode::AutomationOnly);
        alone.SetGrace(std::chrono::milliseconds(300));
        QObject::connect(&alone, &TarnelServer::Finished, [&] { ++finished; });
        QString error;
        ASSERT_TRUE(alone.Start(error)) << error.toStdString();
        EXPECT_EQ(answer(), "0102030405060708");
        EXPECT_FALSE(test::waitUntil([&] { return finished > 0; }, 800));  // the client is still there
        dropClient();
        EXPECT_TRUE(test::waitUntil([&] { return finished > 0; }, 3000));
        EXPECT_EQ(felica::initialisationCount(), 0);
    }

    // A window program takes the name from an automation-only server; a
    // second automation-only server does not take it from the window.
    finished = 0;
    QDBusConnection windowBus = bus.connect("window");
    TarnelServer alone(server, TarnelServer::Mode::AutomationOnly);
    QObject::connect(&alone, &TarnelServer::Finished, [&] { ++finished; });
    QString error;
    ASSERT_TRUE(alone.Start(error));
    TarnelServer window(windowBus, TarnelServer::Mode::Window);
    ASSERT_TRUE(window.Start(error)) << error.toStdString();
    EXPECT_TRUE(test::waitUntil([&] { return finished > 0; }, 3000));
    EXPECT_EQ(server.interface()->serviceOwner("Kuvora.Tarnel").value(), windowBus.baseService());
    TarnelServer late(bus.connect("late"), TarnelServer::Mode::AutomationOnly);
    EXPECT_FALSE(late.Start(error));
    EXPECT_EQ(server.interface()->serviceOwner("Kuvora.Tarnel").value(), windowBus.baseService());
}
