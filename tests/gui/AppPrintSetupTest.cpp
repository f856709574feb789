// The application object as the window program makes it (it is the
// process's QApplication, so this test has its own main): the page chosen
// in Print Setup is the one Print Preview and Print use.
#include "CKuvoraApp.h"
#include "CKuvoraView.h"
#include "CMainFrame.h"
#include "CommandIds.h"
#include "TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QPageSetupDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

CKuvoraApp* g_app = nullptr;

// Runs `withDialog` on the modal dialog of type D that the command opens,
// then closes it.
template <class D>
bool onDialogOf(int command, const std::function<void(D*)>& withDialog) {
    bool found = false;
    QElapsedTimer waited;
    waited.start();
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget());
        if (!dialog && waited.elapsed() < 10000) return;
        poll.stop();
        if (!dialog) return;
        found = true;
        withDialog(dialog);
        dialog->reject();
    });
    poll.start(20);
    g_app->MainFrame()->Action(command)->trigger();
    return found;
}

}  // namespace

TEST(AppPrintSetup, PrintAndPreviewUseThePageChosenInPrintSetup) {
    QPrinter* const printer = g_app->MainFrame()->View()->Printer();
    ASSERT_TRUE(onDialogOf<QPageSetupDialog>(cmd::FilePrintSetup, [&](QPageSetupDialog* dialog) {
        EXPECT_EQ(dialog->printer(), printer);
        // What the dialog's OK would leave in its printer.
        dialog->printer()->setPageSize(QPageSize(QPageSize::A5));
        dialog->printer()->setPageOrientation(QPageLayout::Landscape);
    }));
    ASSERT_TRUE(onDialogOf<QPrintPreviewDialog>(cmd::FilePrintPreview, [&](QPrintPreviewDialog* dialog) {
        EXPECT_EQ(dialog->printer(), printer);
        EXPECT_EQ(dialog->printer()->pageLayout().pageSize().id(), QPageSize::A5);
        EXPECT_EQ(dialog->printer()->pageLayout().orientation(), QPageLayout::Landscape);
    }));
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // No automation object on the desktop's bus from a test.
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    test::IsolatedHome home;
    static int appArgc = 1;
    static char name[] = "kuvora";
    static char* appArgv[] = {name, nullptr};
    CKuvoraApp app(appArgc, appArgv);
    if (!app.InitInstance()) return 1;
    g_app = &app;
    return RUN_ALL_TESTS();
}
