// The user guide window: found beside the program, pages and pictures
// rendered, links between pages followed inside the window.
#include "AboutBox.h"
#include "GuideWindow.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>
#include <QTest>
#include <QTextCursor>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// The images a page shows, by the name its Markdown gives.
QStringList imagesOf(const QTextDocument& doc) {
    QStringList names;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().isImageFormat()) names << it.fragment().charFormat().toImageFormat().name();
    return names;
}

}  // namespace

TEST(GuideWindow, TheBuildTreeGuideIsFoundAndTheAboutBoxLinksToIt) {
    const QString index = GuideIndexPath();
    ASSERT_FALSE(index.isEmpty()) << GuideFolderCandidates().join(' ').toStdString();
    EXPECT_TRUE(index.endsWith("/ja/index.md"));
    EXPECT_EQ(DocumentationUrl(), QUrl::fromLocalFile(index).toString());
}

TEST(GuideWindow, EveryPageRendersInJapaneseWithItsPicturesAndLinksThatResolve) {
    GuideWindow window;
    const QDir pages(QFileInfo(GuideIndexPath()).absolutePath());
    const QStringList files = pages.entryList({"*.md"}, QDir::Files);
    ASSERT_GE(files.size(), 11);
    static const QRegularExpression link(R"(\]\(([^)#]+)\))");
    for (const QString& file : files) {
        SCOPED_TRACE(file.toStdString());
        ASSERT_TRUE(window.ShowPage(QUrl::fromLocalFile(pages.filePath(file))));
        const QTextDocument* doc = window.Browser()->document();
        // Rendered as Markdown: the heading is a heading, not "# ...".
        EXPECT_FALSE(doc->firstBlock().text().startsWith('#'));
        EXPECT_GE(doc->firstBlock().blockFormat().headingLevel(), 1);
        EXPECT_TRUE(doc->toPlainText().contains(QRegularExpression("[\\x{3040}-\\x{30FF}]")));
        EXPECT_TRUE(window.windowTitle().contains("Kuvora ユーザーガイド"));
        // Every picture is there and loads; wide screenshots fit the page.
        for (const QString& name : imagesOf(*doc)) {
            const QUrl url = window.Browser()->source().resolved(QUrl(name));
            const QImage file(url.toLocalFile());
            EXPECT_FALSE(file.isNull()) << name.toStdString();
            const QVariant loaded = window.Browser()->loadResource(QTextDocument::ImageResource, url);
            const QImage shown = loaded.typeId() == QMetaType::QImage ? loaded.value<QImage>()
                                                                       : QImage::fromData(loaded.toByteArray());
            EXPECT_EQ(shown.width(), std::min(file.width(), 640)) << name.toStdString();
        }
        // Every link to a file of the guide names one that exists.
        QFile source(pages.filePath(file));
        ASSERT_TRUE(source.open(QIODevice::ReadOnly));
        const QString markdown = QString::fromUtf8(source.readAll());
        for (auto m = link.globalMatch(markdown); m.hasNext();) {
            const QString target = m.next().captured(1);
            if (target.startsWith("http")) continue;
            EXPECT_TRUE(QFileInfo::exists(pages.filePath(target))) << target.toStdString();
        }
    }
}

TEST(GuideWindow, ALinkOpensItsPageInTheWindowAndBackReturns) {
    GuideWindow window;
    ASSERT_TRUE(window.ShowPage(QUrl::fromLocalFile(GuideIndexPath())));
    const QString first = window.Browser()->document()->firstBlock().text();
    if (qEnvironmentVariableIsSet("KUVORA_SCREENSHOT_DIR")) {
        window.resize(820, 680);
        window.show();
        QApplication::processEvents();
        window.grab().save(qEnvironmentVariable("KUVORA_SCREENSHOT_DIR") + "/guide-window.png");
    }
    // Click the link to the naming page, as a reader would.
    window.show();
    QTextCursor link = window.Browser()->document()->find("駅名の登録と駅名表の取り込み");
    ASSERT_FALSE(link.isNull());
    ASSERT_TRUE(link.charFormat().isAnchor());
    window.Browser()->setTextCursor(link);
    window.Browser()->ensureCursorVisible();
    link.setPosition(link.selectionStart() + 2);
    QTest::mouseClick(window.Browser()->viewport(), Qt::LeftButton, {}, window.Browser()->cursorRect(link).center());
    EXPECT_TRUE(window.Browser()->source().toLocalFile().endsWith("/ja/stations.md"));
    EXPECT_EQ(window.Browser()->document()->firstBlock().text(), "駅名の登録と駅名表の取り込み");
    EXPECT_EQ(window.windowTitle(), "駅名の登録と駅名表の取り込み - Kuvora ユーザーガイド");
    EXPECT_GT(imagesOf(*window.Browser()->document()).size(), 0);
    auto* back = window.findChild<QPushButton*>("guideBack");
    ASSERT_TRUE(back);
    ASSERT_TRUE(back->isEnabled());
    back->click();
    EXPECT_EQ(window.Browser()->document()->firstBlock().text(), first);
    // A page that is not there leaves the window as it was.
    EXPECT_FALSE(window.ShowPage(QUrl::fromLocalFile(GuideIndexPath() + ".missing")));
    EXPECT_EQ(window.Browser()->document()->firstBlock().text(), first);
}

TEST(GuideWindow, ShowGuideKeepsOneWindow) {
    QWidget owner;
    GuideWindow* a = ShowGuide(&owner);
    ASSERT_TRUE(a);
    EXPECT_TRUE(a->isVisible());
    EXPECT_EQ(ShowGuide(&owner), a);
    a->close();  // deletes itself
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    GuideWindow* b = ShowGuide(&owner);
    ASSERT_TRUE(b);
    b->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(GuideWindow, TheAboutBoxLinkClosesTheBoxAndOpensTheGuideBesideTheWindow) {
    QWidget owner;
    CAboutDlg dlg(&owner);
    auto* details = dlg.findChild<QLabel*>("programDetails");
    ASSERT_TRUE(details);
    EXPECT_TRUE(details->text().contains(DocumentationUrl().toHtmlEscaped()));
    dlg.show();
    emit details->linkActivated(DocumentationUrl());
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    auto* guide = owner.findChild<GuideWindow*>();
    ASSERT_TRUE(guide);
    EXPECT_TRUE(guide->isVisible());
    EXPECT_TRUE(guide->Browser()->source().toLocalFile().endsWith("/ja/index.md"));
    guide->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
