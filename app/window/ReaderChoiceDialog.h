// File > リーダーの選択...: every reader found on each route, "auto", and a
// card image file; the choice becomes the reader now and the setting
// "Reader" for the next start.
#pragma once

#include <QCoreApplication>
#include <QDialog>

class QListWidget;

class ReaderChoiceDialog : public QDialog {
    Q_DECLARE_TR_FUNCTIONS(ReaderChoiceDialog)
public:
    explicit ReaderChoiceDialog(QWidget* parent, const QString& current);
    // The reader name chosen ("auto", "usb:001:004", "image:/path", ...).
    QString Chosen() const;

private:
    void ChooseCardImage();
    QListWidget* m_pList;
};

// Shows the dialog; on OK selects the reader and stores it. Returns the name
// chosen, or empty.
QString ChooseReader(QWidget* parent);
