#include "CKuvoraDoc.h"
#include "CMainFrame.h"
#include "CommandIds.h"
#include "TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

struct SaveAs : ::testing::Test {
    test::IsolatedHome home;
    RecordingMessageSink messages;
    ScopedMessageSink sink{&messages};
    QString documents = home.path() + "/Documents";

    // Runs `command` and hands the Save As dialog it opens to `answer`.
    void withDialog(const std::function<void()>& command, const std::function<void(QFileDialog&)>& answer) {
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_TRUE(dialog);
            seen = true;
            answer(*dialog);
        });
        command();
        EXPECT_TRUE(seen);
    }
    // Types `name` into the dialog and accepts it.
    static void typeAndAccept(QFileDialog& dialog, const QString& name) {
        auto* edit = dialog.findChild<QLineEdit*>("fileNameEdit");
        ASSERT_TRUE(edit);
        edit->setText(name);
        QMetaObject::invokeMethod(&dialog, "accept");
    }
};

}  // namespace

TEST_F(SaveAs, TheDialogOpensInTheDocumentsFolderAndTheExtensionPicksTheFormat) {
    ASSERT_TRUE(QDir().mkpath(documents));
    CKuvoraDoc doc;
    doc.OnNewDocument();
    CMainFrame frame(&doc);
    const QString cwd = QDir::currentPath();
    withDialog([&] { EXPECT_TRUE(frame.Execute(cmd::FileSaveAs)); },
               [&](QFileDialog& dialog) {
                   EXPECT_EQ(dialog.parent(), &frame);
                   EXPECT_EQ(dialog.windowTitle(), "名前を付けて保存");
                   EXPECT_EQ(QDir(dialog.directory()).canonicalPath(), QDir(documents).canonicalPath());
                   EXPECT_EQ(dialog.nameFilters(),
                             QStringList({"テキストファイル (*.txt)", "ワークシートファイル (*.xls)",
                                          "xmlファイル (*.xml)", "CSV ファイル (*.csv)", "すべてのファイル (*.*)"}));
                   EXPECT_EQ(dialog.defaultSuffix(), "txt");
                   EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptSave);
                   EXPECT_FALSE(dialog.testOption(QFileDialog::DontConfirmOverwrite));
                   EXPECT_EQ(dialog.findChild<QLineEdit*>("fileNameEdit")->text(), "");
                   if (qEnvironmentVariableIsSet("KUVORA_SCREENSHOT_DIR"))
                       dialog.grab().save(qEnvironmentVariable("KUVORA_SCREENSHOT_DIR") + "/save-as-dialog.png");
                   typeAndAccept(dialog, "history.XML");
               });
    EXPECT_EQ(QDir::currentPath(), cwd);
    EXPECT_EQ(doc.m_strSaveExt, "xml");
    QFile xml(documents + "/history.XML");
    ASSERT_TRUE(xml.open(QIODevice::ReadOnly));
    EXPECT_TRUE(xml.readAll().startsWith("<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n<SFCard>\r\n"));

    // A name without an extension takes the default, text.
    withDialog([&] { frame.Execute(cmd::FileSaveAs); }, [&](QFileDialog& d) { typeAndAccept(d, "plain"); });
    QFile text(documents + "/plain.txt");
    ASSERT_TRUE(text.open(QIODevice::ReadOnly));
    EXPECT_EQ(text.readAll(), QByteArray("\t\t\t\t\t\t\t\t\t\t\t\t\t\t\n").repeated(20));
    EXPECT_EQ(doc.m_strSaveExt, "txt");

    // Cancelled: nothing written.
    withDialog([&] { EXPECT_FALSE(doc.DoSave(QString(), true)); }, [](QFileDialog& d) { d.reject(); });
    EXPECT_EQ(QDir(documents).entryList(QDir::Files).size(), 2);
    EXPECT_TRUE(messages.messages.isEmpty());
}

TEST_F(SaveAs, WithoutADocumentsFolderTheDialogOpensInTheHomeFolder) {
    CKuvoraDoc doc;
    CMainFrame frame(&doc);
    withDialog([&] { frame.Execute(cmd::FileSaveAs); },
               [&](QFileDialog& dialog) {
                   EXPECT_EQ(QDir(dialog.directory()).canonicalPath(), QDir(home.path()).canonicalPath());
                   EXPECT_EQ(dialog.findChild<QLineEdit*>("fileNameEdit")->text(), "");
                   // Choosing the workbook type makes it the default extension.
                   dialog.selectNameFilter("ワークシートファイル (*.xls)");
                   emit dialog.filterSelected("ワークシートファイル (*.xls)");
                   typeAndAccept(dialog, "book");
               });
    EXPECT_TRUE(QFile::exists(home.path() + "/book.xls"));
    EXPECT_EQ(doc.m_strSaveExt, "xls");
    EXPECT_FALSE(QDir().exists(documents));
}

TEST_F(SaveAs, TheCsvTypeWritesCsvWhileACsvNameUnderTheTextTypeStaysText) {
    CKuvoraDoc doc;
    doc.OnNewDocument();
    CMainFrame frame(&doc);
    const QString csvType = "CSV ファイル (*.csv)";
    withDialog([&] { frame.Execute(cmd::FileSaveAs); },
               [&](QFileDialog& dialog) {
                   dialog.selectNameFilter(csvType);
                   emit dialog.filterSelected(csvType);
                   EXPECT_EQ(dialog.defaultSuffix(), "csv");
                   typeAndAccept(dialog, "sheet");
               });
    QFile csv(home.path() + "/sheet.csv");
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    EXPECT_TRUE(csv.readAll().startsWith("\xEF\xBB\xBF"
                                         "生データ,"));
    EXPECT_EQ(doc.m_strSaveExt, "csv");

    // The text type with a name ending in .csv: the tab-separated text.
    withDialog([&] { frame.Execute(cmd::FileSaveAs); }, [&](QFileDialog& d) { typeAndAccept(d, "plain.csv"); });
    QFile text(home.path() + "/plain.csv");
    ASSERT_TRUE(text.open(QIODevice::ReadOnly));
    EXPECT_EQ(text.readAll(), QByteArray("\t\t\t\t\t\t\t\t\t\t\t\t\t\t\n").repeated(20));
    EXPECT_TRUE(messages.messages.isEmpty());
}
