// CNameCodeDlg: names a code the station-code tables do not know. It shows
// the row the card's lookup asks for (the table and its key, in decimal and
// hex) and takes the place's name, its company's and, where the table has
// one, its line's. OK stays disabled while the name is empty, and a name
// holding a control character (a line break, a bidirectional control ...:
// ControlCharacterAt) is refused on the dialog's message line; the caller
// writes the name.
#pragma once

#include "StationCodeSchema.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

class CNameCodeDlg : public QDialog {
    Q_OBJECT
public:
    explicit CNameCodeDlg(const NameKey& key, QWidget* parent = nullptr);

    QString Name() const;
    QString Company() const;
    QString Line() const;  // empty for a table without line names
    QLineEdit* NameEdit() const { return m_pName; }
    QLineEdit* CompanyEdit() const { return m_pCompany; }
    QLineEdit* LineEdit() const { return m_pLine; }
    QPushButton* OkButton() const { return m_pOk; }
    // The line that says why OK did not close the dialog.
    QLabel* ErrorLabel() const { return m_pError; }

    void accept() override;

private:
    QLineEdit* m_pName;
    QLineEdit* m_pCompany;
    QLineEdit* m_pLine;
    QPushButton* m_pOk;
    QLabel* m_pError;
};
