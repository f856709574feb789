// The About box (dialog 100, command 57664): the program's icon and name,
// "Version 1.9.0" and an OK button; beneath them the licence, a link to the
// documentation and the versions of Qt, SQLite and the reader libraries.
#pragma once

#include <QDialog>

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int IDD = 100;
    explicit CAboutDlg(QWidget* parent = nullptr);
};

// Where the documentation is: the user guide's first page (opened in the
// guide window when the link is followed), else the project's page.
QString DocumentationUrl();

// Shows the About box modally.
void ShowAboutBox(QWidget* parent);
