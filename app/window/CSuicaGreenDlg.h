// CSuicaGreenDlg: the Green car ticket a Suica card holds (command 32790).
// The dialog reads the card once while it is made, shows what it found, and
// is closed with its only button. Nothing is stored.
#pragma once

#include "GreenTicket.h"

#include <QDialog>

#include <map>

class QLabel;

class CSuicaGreenDlg : public QDialog {
    Q_OBJECT
public:
    // The dialog's template and control ids. Each control carries its id as
    // the property "controlId" and the object name "control<id>".
    static constexpr int IDD = 137;
    static constexpr int IDC_CLOSE = 1;
    static constexpr int IDC_MESSAGE = 1000;
    static constexpr int IDC_PURCHASE = 1001;
    static constexpr int IDC_BOARDING = 1002;
    static constexpr int IDC_ALIGHTING = 1003;
    static constexpr int IDC_SEAT_TIME = 1004;
    static constexpr int IDC_SEAT_STATION = 1005;
    static constexpr int IDC_SEAT_LABEL = 1006;
    static constexpr int IDC_TRAIN_CODE = 1007;
    static constexpr int IDC_FARE = 1008;

    explicit CSuicaGreenDlg(QWidget* parent = nullptr);
    ~CSuicaGreenDlg() override;

    // The control with this id; null for an id the dialog lacks.
    QWidget* Control(int id) const;
    // The members as the dialog holds them now.
    const GreenTicketTexts& Texts() const { return m_Texts; }

private:
    void CreateControls();
    void OnInitDialog();
    // Members into the controls.
    void UpdateData();

    GreenTicketTexts m_Texts;
    std::map<int, QWidget*> m_Controls;
};
