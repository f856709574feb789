#include "GuideWindow.h"

#include "KuvoraFonts.h"
#include "ShownText.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QImage>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QVBoxLayout>

namespace {

QString title() { return GuideWindow::tr("Kuvora ユーザーガイド"); }
constexpr int kWidestPicture = 640;  // pixels; wider screenshots are shown scaled down

// The pages' browser: pictures wider than the page text come scaled down.
class GuideBrowser : public QTextBrowser {
public:
    using QTextBrowser::QTextBrowser;
    QVariant loadResource(int type, const QUrl& name) override {
        const QVariant resource = QTextBrowser::loadResource(type, name);
        if (type != QTextDocument::ImageResource) return resource;
        QImage image;
        if (resource.canConvert<QByteArray>()) image.loadFromData(resource.toByteArray());
        if (image.isNull() || image.width() <= kWidestPicture) return resource;
        return image.scaledToWidth(kWidestPicture, Qt::SmoothTransformation);
    }
};

}  // namespace

QStringList GuideFolderCandidates() {
    const QString programDir = QCoreApplication::applicationDirPath();
    return {QDir::cleanPath(programDir + QStringLiteral("/guide")),
            QDir::cleanPath(programDir + QStringLiteral("/../share/kuvora/guide"))};
}

QString GuideIndexPath() {
    // The pages in the window's language: ja/ or en/, the same pages.
    const QString page = JapaneseUi() ? QStringLiteral("/ja/index.md") : QStringLiteral("/en/index.md");
    for (const QString& folder : GuideFolderCandidates()) {
        const QString index = folder + page;
        if (QFileInfo(index).isFile()) return index;
    }
    return QString();
}

GuideWindow::GuideWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("guideWindow"));
    setWindowTitle(title());
    setAttribute(Qt::WA_DeleteOnClose);
    resize(820, 680);

    m_pBrowser = new GuideBrowser(this);
    m_pBrowser->setObjectName(QStringLiteral("guideText"));
    m_pBrowser->setFont(KuvoraProportionalFont(10));
    // Pages of the guide open here; anything on the web goes to the desktop's browser.
    m_pBrowser->setOpenLinks(true);
    m_pBrowser->setOpenExternalLinks(true);
    connect(m_pBrowser, &QTextBrowser::sourceChanged, this, [this] { PageShown(); });

    m_pBrowser->setAccessibleName(tr("ガイドのページ"));

    auto* back = new QPushButton(tr("戻る"), this);
    back->setObjectName(QStringLiteral("guideBack"));
    back->setEnabled(false);
    auto* forward = new QPushButton(tr("進む"), this);
    forward->setObjectName(QStringLiteral("guideForward"));
    forward->setEnabled(false);
    auto* home = new QPushButton(tr("目次"), this);
    home->setObjectName(QStringLiteral("guideHome"));
    auto* close = new QPushButton(tr("閉じる"), this);
    close->setObjectName(QStringLiteral("guideClose"));
    connect(back, &QPushButton::clicked, m_pBrowser, &QTextBrowser::backward);
    connect(forward, &QPushButton::clicked, m_pBrowser, &QTextBrowser::forward);
    connect(home, &QPushButton::clicked, m_pBrowser, &QTextBrowser::home);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    connect(m_pBrowser, &QTextBrowser::backwardAvailable, back, &QWidget::setEnabled);
    connect(m_pBrowser, &QTextBrowser::forwardAvailable, forward, &QWidget::setEnabled);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(back);
    buttons->addWidget(forward);
    buttons->addWidget(home);
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(m_pBrowser, 1);
}

bool GuideWindow::ShowPage(const QUrl& page) {
    if (!page.isLocalFile() || !QFileInfo(page.toLocalFile()).isFile()) return false;
    m_pBrowser->setSource(page, QTextDocument::MarkdownResource);
    return !m_pBrowser->document()->isEmpty();
}

void GuideWindow::PageShown() {
    // The page's first heading names the window.
    const QString heading = m_pBrowser->document()->firstBlock().text().trimmed();
    setWindowTitle(heading.isEmpty() || heading == title() ? title() : heading + QStringLiteral(" - ") + title());
}

GuideWindow* ShowGuide(QWidget* parent) {
    static QPointer<GuideWindow> shown;
    const QString index = GuideIndexPath();
    if (index.isEmpty()) {
        QMessageBox::warning(parent, QStringLiteral("Kuvora"),
                             GuideWindow::tr("ユーザーガイドが見つかりません。次の場所を探しました:\n%1")
                                 .arg(GuideFolderCandidates().join(QLatin1Char('\n'))));
        return nullptr;
    }
    if (!shown) {
        shown = new GuideWindow(parent);
        if (!shown->ShowPage(QUrl::fromLocalFile(index))) {
            delete shown;
            QMessageBox::warning(parent, QStringLiteral("Kuvora"),
                                 GuideWindow::tr("ユーザーガイドを開けません:\n%1").arg(index));
            return nullptr;
        }
    }
    shown->show();
    shown->raise();
    shown->activateWindow();
    return shown;
}
