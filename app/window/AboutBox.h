// The About box (dialog 100, command 57664): the program's icon and name,
// "Version 1.9.0" and an OK button.
#pragma once

#include <QDialog>

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int IDD = 100;
    explicit CAboutDlg(QWidget* parent = nullptr);
};

// Shows the About box modally.
void ShowAboutBox(QWidget* parent);
