// CSetupDlg: the settings dialog behind "設定(&C)" (command 32772). It edits
// the menu style, the TCP send switch with the server's address and port, the
// read-aloud switch and the language. It reads the stored values when it is
// made and writes the first five when the user presses OK, the language too
// when another was chosen; Cancel writes nothing. It is
// drawn in the current theme, like every window of the program.
#pragma once

#include <QDialog>
#include <QString>

#include <map>

class CIpAddressCtrl;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

class CSetupDlg : public QDialog {
    Q_OBJECT
public:
    // The dialog's template and control ids. Each control carries its id as
    // the property "controlId" and the object name "control<id>".
    static constexpr int IDD = 135;
    static constexpr int IDC_OK = 1;
    static constexpr int IDC_CANCEL = 2;
    static constexpr int IDC_TCPIP_SEND = 1005;
    static constexpr int IDC_SERVER_ADDRESS_LABEL = 1006;
    static constexpr int IDC_PORT_LABEL = 1007;
    static constexpr int IDC_SERVER_ADDRESS = 1008;
    static constexpr int IDC_SERVER_PORT = 1009;
    static constexpr int IDC_ALWAYS_READ_ALOUD = 1010;
    static constexpr int IDC_STYLE_FIRST = 1015;  // 1015..1020: menu styles 0..5
    static constexpr int IDC_STYLE_LAST = 1020;
    static constexpr int IDC_LANGUAGE = 1021;  // 自動 / 日本語 / English

    explicit CSetupDlg(QWidget* parent = nullptr);
    ~CSetupDlg() override;

    // The control with this id; null for an id the dialog lacks.
    QWidget* Control(int id) const;

    // The members as the dialog holds them now.
    int TcpIpSend() const { return m_nTcpIpSend; }
    QString ServerAddress() const { return m_strServerAddress; }
    QString ServerPort() const { return m_strServerPort; }
    int AllwaysHistoryRead() const { return m_nAllwaysHistoryRead; }
    int MenuStyle() const { return m_nMenuStyle; }

    // OK: controls into the members, the five settings written, closed.
    void accept() override;
    void done(int result) override;

    // The port text's value as the C library reads a number (leading blanks,
    // a sign, then the leading decimal digits; 0 when there are none); false
    // when it lies outside 0..65535, however long the digits run.
    static bool PortFromText(const QString& text, int* port);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    void OnInitDialog();
    void OnTcpIpSendClicked();
    void OnKillFocusServerPort();
    // Members into the controls (false) or the controls into the members
    // (true); `keepSwitch` leaves the TCP send member as it is.
    void UpdateData(bool saveAndValidate, bool keepSwitch = false);
    void EnableServerControls(bool enable);

    // Members, in the order of the dialog's data.
    int m_nTcpIpSend = 0;
    QLabel* m_ctrlServerAddressLabel = nullptr;
    QLabel* m_ctrlPortLabel = nullptr;
    CIpAddressCtrl* m_ctrlServerAddress = nullptr;
    QString m_strServerAddress;
    QLineEdit* m_ctrlServerPort = nullptr;
    QString m_strServerPort;
    int m_nAllwaysHistoryRead = 0;
    int m_nMenuStyle = 4;
    QString m_strLanguage;  // "auto", "ja" or "en", as "Language" stores it

    QCheckBox* m_pTcpIpSend = nullptr;
    QCheckBox* m_pAllwaysRead = nullptr;
    QButtonGroup* m_pMenuStyles = nullptr;
    QComboBox* m_pLanguage = nullptr;
    std::map<int, QWidget*> m_Controls;
    bool m_bClosing = false;
};
