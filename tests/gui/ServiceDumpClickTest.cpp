// The view's hidden click writes FelicaFormat.TXT in the current directory,
// with a busy cursor and a status text while the card is read.
#include "CKuvoraDoc.h"
#include "CKuvoraView.h"
#include "TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMainWindow>
#include <QMouseEvent>
#include <QStatusBar>

#include <gtest/gtest.h>

#include <memory>

namespace {

void click(QWidget& view, QPoint at, Qt::KeyboardModifiers modifiers) {
    QMouseEvent e(QEvent::MouseButtonPress, QPointF(at), view.mapToGlobal(QPointF(at)), Qt::LeftButton,
                  Qt::LeftButton, modifiers);
    QApplication::sendEvent(&view, &e);
}

}  // namespace

TEST(ServiceDumpClick, CtrlShiftClickAtTheCornerWritesTheDumpWhileTheWindowShowsItIsBusy) {
    test::IsolatedHome home;
    const QString old = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(home.path()));
    test::LibrarySession session;
    felica::CardImage card = test::makeCard("0123456789ABCDEF", "FE00");
    card.systems[0].services.push_back(test::makeService(0x1A8B, {std::string(32, 'A')}));
    auto transport = std::make_shared<test::ScriptedTransport>(card);
    QStringList statusTexts;
    bool busy = true;
    QMainWindow frame;
    CKuvoraDoc doc;
    auto* view = new CKuvoraView(&doc, &frame);
    frame.setCentralWidget(view);
    QStatusBar* bar = frame.statusBar();
    frame.resize(800, 400);
    transport->filter = [&](std::size_t, felica::TransceiveStatus status, felica::Bytes&) {
        statusTexts << bar->currentMessage();
        const QCursor* cursor = QApplication::overrideCursor();
        busy = busy && cursor && cursor->shape() == Qt::WaitCursor;
        return status;
    };
    test::TransportOverride override(transport);
    const QString file = home.file("FelicaFormat.TXT");
    const auto both = Qt::ControlModifier | Qt::ShiftModifier;

    click(*view, {10, 5}, both);
    click(*view, {5, 5}, Qt::ControlModifier);
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_TRUE(transport->sent.empty());

    click(*view, {1, 1}, both);
    QDir::setCurrent(old);
    QFile dump(file);
    ASSERT_TRUE(dump.open(QIODevice::ReadOnly));
    const QByteArray text = dump.readAll();
    EXPECT_TRUE(text.startsWith("\x90\xbb\x91\xa2ID(IDm) : 01 23 45 67 89 ab cd ef\n")) << text.left(40).toStdString();
    EXPECT_TRUE(text.endsWith("\t\t1 block(s) use\n\t\taa aa aa aa aa aa aa aa aa aa aa aa aa aa aa aa \n"));
    ASSERT_FALSE(statusTexts.isEmpty());
    EXPECT_EQ(statusTexts.front(), "カードのサービス情報を FelicaFormat.TXT に書き出しています...");
    EXPECT_TRUE(busy);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(bar->currentMessage(), "");
}
