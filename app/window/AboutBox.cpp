#include "AboutBox.h"

#include "CommandIcons.h"
#include "GuideWindow.h"
#include "KuvoraFonts.h"
#include "felica.h"
#include "library_control.h"

#include <QDesktopServices>
#include <QUrl>

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <sqlite3.h>

QString DocumentationUrl() {
    // The user guide in the user's language, read in the program's own guide window; the
    // project's page only when no guide is installed.
    const QString guide = GuideIndexPath();
    if (!guide.isEmpty()) return QUrl::fromLocalFile(guide).toString();
    return QStringLiteral("https://github.com/kuvora/kuvora#readme");
}

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("dialog%1").arg(IDD));
    setWindowTitle(tr("バージョン情報 Kuvora"));
    setFont(KuvoraProportionalFont(9));

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("aboutIcon"));
    icon->setPixmap(KuvoraAppIcon().pixmap(QSize(32, 32), devicePixelRatioF()));
    icon->setAlignment(Qt::AlignTop);

    auto* name = new QLabel(QStringLiteral("Kuvora"), this);
    name->setObjectName(QStringLiteral("programName"));
    QFont bold = font();
    bold.setBold(true);
    name->setFont(bold);
    auto* version = new QLabel(QStringLiteral("Version 1.9.0"), this);
    version->setObjectName(QStringLiteral("programVersion"));

    // What a user reporting a problem is asked for: the licence, where the
    // documentation is, and the versions of what the program runs on.
    char libraryVersion[256] = {};
    get_version_information(libraryVersion);
    auto* details = new QLabel(this);
    details->setObjectName(QStringLiteral("programDetails"));
    details->setTextFormat(Qt::RichText);
    details->setTextInteractionFlags(Qt::TextBrowserInteraction);
    details->setOpenExternalLinks(false);
    connect(details, &QLabel::linkActivated, this, [this](const QString& link) {
        if (QUrl(link).isLocalFile()) {
            // The box gives way to the guide, which stays open beside the window.
            accept();
            ShowGuide(parentWidget());
        } else {
            QDesktopServices::openUrl(QUrl(link));
        }
    });
    details->setText(
        tr("<p>%1<br>MIT ライセンス<br><a href=\"%2\">説明書</a></p><p>Qt %3<br>SQLite %4<br>%5</p>")
            .arg(QString::fromUtf8(libraryVersion).toHtmlEscaped(), DocumentationUrl().toHtmlEscaped(),
                 QString::fromLatin1(qVersion()), QString::fromLatin1(sqlite3_libversion()),
                 QString::fromStdString(felica::readerLibraryVersions()).toHtmlEscaped()));

    auto* texts = new QVBoxLayout;
    texts->addWidget(name);
    texts->addWidget(version);
    texts->addWidget(details);
    texts->addStretch();

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("control1"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* row = new QHBoxLayout;
    row->setSpacing(16);
    row->addWidget(icon);
    row->addLayout(texts, 1);
    row->addWidget(ok, 0, Qt::AlignTop);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 12, 16);
    layout->addLayout(row);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void ShowAboutBox(QWidget* parent) {
    CAboutDlg dialog(parent);
    dialog.exec();
}
