#include "AboutBox.h"

#include "CommandIcons.h"
#include "KuvoraFonts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("dialog%1").arg(IDD));
    setWindowTitle(QStringLiteral("バージョン情報 Kuvora"));
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

    auto* texts = new QVBoxLayout;
    texts->addWidget(name);
    texts->addWidget(version);
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
