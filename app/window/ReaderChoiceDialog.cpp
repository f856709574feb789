#include "ReaderChoiceDialog.h"

#include "CSettingsStore.h"
#include "ReaderChoice.h"
#include "WindowTexts.h"
#include "card_image.h"
#include "felica.h"
#include "library_control.h"
#include "reader_directory.h"
#include "MessageSink.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>

namespace {

void addEntry(QListWidget* list, const QString& name, const QString& text) {
    auto* item = new QListWidgetItem(text, list);
    item->setData(Qt::UserRole, name);
    item->setToolTip(name);
}

}  // namespace

ReaderChoiceDialog::ReaderChoiceDialog(QWidget* parent, const QString& current) : QDialog(parent) {
    setObjectName(QStringLiteral("readerChoiceDialog"));
    setWindowTitle(tr("リーダーの選択"));
    auto* label = new QLabel(tr("カードを読み取るリーダー・ライタを選んでください。"), this);
    m_pList = new QListWidget(this);
    m_pList->setObjectName(QStringLiteral("readerList"));
    m_pList->setAccessibleName(tr("リーダー・ライタ"));
    addEntry(m_pList, QStringLiteral("auto"), tr("自動 (PC/SC、USB の RC-S380、libnfc の順に探します)"));
    // Asking every route can take a moment (pcscd, USB, libnfc's drivers).
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto readers = felica::listReaders();
    QApplication::restoreOverrideCursor();
    for (const felica::ReaderEntry& r : readers)
        addEntry(m_pList, QString::fromStdString(r.name),
                 QStringLiteral("%1  (%2)").arg(QString::fromStdString(r.description), QString::fromStdString(r.name)));
    if (current.startsWith(QLatin1String("image:")))
        addEntry(m_pList, current, tr("カードイメージ %1").arg(current.mid(6)));
    else if (current != QLatin1String("auto") && m_pList->findItems(current, Qt::MatchContains).isEmpty())
        addEntry(m_pList, current, current);
    for (int i = 0; i < m_pList->count(); ++i)
        if (m_pList->item(i)->data(Qt::UserRole).toString() == current) m_pList->setCurrentRow(i);
    if (m_pList->currentRow() < 0) m_pList->setCurrentRow(0);
    auto* none = new QLabel(readers.empty() ? tr("リーダー・ライタが見つかりません。接続を確かめてください。") : QString(), this);
    none->setObjectName(QStringLiteral("noReaderText"));
    none->setVisible(readers.empty());

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QPushButton* image = buttons->addButton(tr("カードイメージ(&I)..."), QDialogButtonBox::ActionRole);
    image->setObjectName(QStringLiteral("cardImageButton"));
    connect(image, &QPushButton::clicked, this, &ReaderChoiceDialog::ChooseCardImage);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_pList, &QListWidget::itemDoubleClicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_pList);
    layout->addWidget(none);
    layout->addWidget(buttons);
    resize(560, 300);
}

void ReaderChoiceDialog::ChooseCardImage() {
    const QString path = QFileDialog::getOpenFileName(this, tr("カードイメージを開く"),
                                                      QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation),
                                                      tr("カードイメージ (*.json);;すべてのファイル (*)"));
    if (path.isEmpty()) return;
    std::string error;
    if (!felica::CardImage::load(path.toStdString(), error)) {
        ShowMessage(WindowText(error));
        return;
    }
    const QString name = QStringLiteral("image:") + path;
    addEntry(m_pList, name, tr("カードイメージ %1").arg(path));
    m_pList->setCurrentRow(m_pList->count() - 1);
}

QString ReaderChoiceDialog::Chosen() const {
    const QListWidgetItem* item = m_pList->currentItem();
    return item ? item->data(Qt::UserRole).toString() : QString();
}

QString ChooseReader(QWidget* parent) {
    ReaderChoiceDialog dialog(parent, QString::fromStdString(felica::readerName()));
    if (dialog.exec() != QDialog::Accepted || dialog.Chosen().isEmpty()) return QString();
    const QString name = dialog.Chosen();
    SelectReader(name);
    settings::WriteString(QStringLiteral("Reader"), name);
    return name;
}
