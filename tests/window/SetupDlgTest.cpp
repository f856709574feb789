#include "CIpAddressCtrl.h"
#include "CSettingsStore.h"
#include "CSetupDlg.h"
#include "StringTable.h"
#include "TestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTest>

#include <gtest/gtest.h>

namespace {

const QStringList kKeys = {"NewMenuStyle", "TCPIPSend", "ServerAddress", "ServerPort", "AllWaysHistoryRead"};

struct SetupDlg : ::testing::Test {
    test::IsolatedHome home;
    RecordingMessageSink messages;
    ScopedMessageSink sink{&messages};

    static void Store(int tcp, const QString& address, int port, int readAloud, int style) {
        settings::WriteInt("TCPIPSend", tcp);
        settings::WriteString("ServerAddress", address);
        settings::WriteInt("ServerPort", port);
        settings::WriteInt("AllWaysHistoryRead", readAloud);
        settings::WriteInt("NewMenuStyle", style);
    }

    // Every key of the settings file with its value, as text.
    static QMap<QString, QString> Stored() {
        QSettings s(QStringLiteral("Mirokaze"), QStringLiteral("Kuvora"));
        QMap<QString, QString> all;
        for (const QString& key : s.allKeys()) all[key] = s.value(key).toString();
        return all;
    }

    // Shows the dialog as the active window, so that focus moves as for a user.
    static void Activate(QWidget& w) {
        w.show();
        w.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
        ASSERT_EQ(QApplication::activeWindow(), &w);
    }

    template <typename T>
    static T* Get(const CSetupDlg& dlg, int id) {
        T* control = qobject_cast<T*>(dlg.Control(id));
        EXPECT_NE(control, nullptr) << id;
        return control;
    }
    static CIpAddressCtrl* Address(const CSetupDlg& d) { return Get<CIpAddressCtrl>(d, CSetupDlg::IDC_SERVER_ADDRESS); }
    static QLineEdit* Port(const CSetupDlg& d) { return Get<QLineEdit>(d, CSetupDlg::IDC_SERVER_PORT); }
    static QAbstractButton* Button(const CSetupDlg& d, int id) { return Get<QAbstractButton>(d, id); }

    static std::vector<bool> ServerControlsEnabled(const CSetupDlg& d) {
        std::vector<bool> enabled;
        for (int id : {CSetupDlg::IDC_SERVER_ADDRESS_LABEL, CSetupDlg::IDC_PORT_LABEL, CSetupDlg::IDC_SERVER_ADDRESS,
                       CSetupDlg::IDC_SERVER_PORT})
            enabled.push_back(d.Control(id)->isEnabled());
        return enabled;
    }

    // Moves the focus out of the port field, as Tab would, and lets the
    // dialog react.
    static void LeavePortField(CSetupDlg& d) {
        Port(d)->setFocus(Qt::TabFocusReason);
        ASSERT_TRUE(Port(d)->hasFocus());
        Button(d, CSetupDlg::IDC_ALWAYS_READ_ALOUD)->setFocus(Qt::TabFocusReason);
        QCoreApplication::sendPostedEvents();
    }
};

const std::vector<bool> kAllOn(4, true), kAllOff(4, false);

}  // namespace

TEST_F(SetupDlg, HasItsTitleTextsAndIds) {
    CSetupDlg dlg;
    EXPECT_EQ(dlg.windowTitle(), "Kuvora 設定");
    const std::vector<std::pair<int, QString>> texts = {
        {1015, "基本スタイル"},       {1016, "XPスタイル"},       {1017, "スペシャル スタイル"},
        {1018, "ICYスタイル"},        {1019, "Office2003スタイル"}, {1020, "カラフル スタイル"},
        {1005, "履歴情報TCP/IP送信を利用する"}, {1010, "常に読み上げる"}, {1, "OK"}, {2, "キャンセル"}};
    for (const auto& [id, text] : texts) {
        QAbstractButton* b = Button(dlg, id);
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->text(), text) << id;
        EXPECT_EQ(b->property("controlId").toInt(), id);
    }
    EXPECT_EQ(Get<QLabel>(dlg, 1006)->text(), "Server Address");
    EXPECT_EQ(Get<QLabel>(dlg, 1007)->text(), "Port");
    EXPECT_EQ(Port(dlg)->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
    EXPECT_TRUE(static_cast<QPushButton*>(Button(dlg, 1))->isDefault());
    QStringList groups;
    for (QGroupBox* g : dlg.findChildren<QGroupBox*>()) groups << g->title();
    EXPECT_EQ(groups, QStringList({"メニュー スタイル", "履歴情報TCP/IP送信", "履歴読み上げ", "言語"}));
    EXPECT_EQ(dlg.findChild<QLabel*>("nextStartNote")->text(), "次回起動時に反映されます。");
    EXPECT_EQ(dlg.Control(1011), nullptr);
}

TEST_F(SetupDlg, ControlsShowTheStoredSettings) {
    Store(1, "192.168.10.20", 8080, 1, 2);
    CSetupDlg dlg;
    EXPECT_TRUE(Button(dlg, 1005)->isChecked());
    EXPECT_EQ(ServerControlsEnabled(dlg), kAllOn);
    EXPECT_EQ(Address(dlg)->text(), "192.168.10.20");
    EXPECT_EQ(Port(dlg)->text(), "8080");
    EXPECT_TRUE(Button(dlg, 1010)->isChecked());
    for (int id = 1015; id <= 1020; ++id) EXPECT_EQ(Button(dlg, id)->isChecked(), id == 1017) << id;

    // First start: the defaults.
    test::IsolatedHome fresh;
    CSetupDlg first;
    EXPECT_FALSE(Button(first, 1005)->isChecked());
    EXPECT_EQ(Port(first)->text(), "0");
    EXPECT_FALSE(Button(first, 1010)->isChecked());
    EXPECT_TRUE(Button(first, 1019)->isChecked());
}

TEST_F(SetupDlg, TcpSendOffShowsTheAddressBlankAndDisabledButKeepsIt) {
    Store(0, "10.1.2.3", 5000, 0, 4);
    CSetupDlg dlg;
    EXPECT_FALSE(Button(dlg, 1005)->isChecked());
    EXPECT_EQ(ServerControlsEnabled(dlg), kAllOff);
    EXPECT_TRUE(Address(dlg)->isBlank());
    EXPECT_EQ(Address(dlg)->text(), "");
    EXPECT_EQ(Port(dlg)->text(), "5000");
    // OK with TCP send still off does not turn the blank into the address.
    dlg.accept();
    EXPECT_EQ(settings::ServerAddress(), "10.1.2.3");
    EXPECT_FALSE(settings::TcpIpSend());
}

TEST_F(SetupDlg, ClickingTheCheckBoxFlipsTheServerControls) {
    Store(0, "10.1.2.3", 5000, 0, 4);
    CSetupDlg dlg;
    Button(dlg, 1005)->click();
    EXPECT_EQ(dlg.TcpIpSend(), 1);
    EXPECT_TRUE(Button(dlg, 1005)->isChecked());
    EXPECT_EQ(ServerControlsEnabled(dlg), kAllOn);
    EXPECT_EQ(Address(dlg)->text(), "10.1.2.3");
    EXPECT_EQ(Port(dlg)->text(), "5000");

    Button(dlg, 1005)->click();
    EXPECT_EQ(dlg.TcpIpSend(), 0);
    EXPECT_FALSE(Button(dlg, 1005)->isChecked());
    EXPECT_EQ(ServerControlsEnabled(dlg), kAllOff);
    EXPECT_TRUE(Address(dlg)->isBlank());
}

TEST_F(SetupDlg, ClickingTheCheckBoxKeepsTheUsersOtherChoices) {
    Store(0, "10.1.2.3", 5000, 0, 4);
    CSetupDlg dlg;
    Button(dlg, 1020)->click();
    Button(dlg, 1010)->click();
    Button(dlg, 1005)->click();
    Address(dlg)->setText("172.16.0.9");
    Port(dlg)->setText("9000");
    Button(dlg, 1005)->click();  // off: the address typed is kept for later
    Button(dlg, 1005)->click();  // on again
    EXPECT_TRUE(Button(dlg, 1020)->isChecked());
    EXPECT_TRUE(Button(dlg, 1010)->isChecked());
    EXPECT_EQ(Address(dlg)->text(), "172.16.0.9");
    EXPECT_EQ(Port(dlg)->text(), "9000");
}

TEST_F(SetupDlg, PortOutOfRangeIsReportedWhenLeavingTheFieldAndStoredAsZero) {
    Store(1, "10.1.2.3", 5000, 0, 4);
    CSetupDlg dlg;
    Activate(dlg);
    Port(dlg)->setText("70000");
    LeavePortField(dlg);
    EXPECT_EQ(messages.messages, QStringList({"ポート番号は0～65535の範囲で設定してください。"}));
    EXPECT_EQ(messages.messages.value(0), LoadString(200));
    EXPECT_TRUE(Port(dlg)->hasFocus());

    // Pressed on the OK button, the field reports again and takes the focus back.
    QTest::mousePress(Button(dlg, 1), Qt::LeftButton);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(messages.messages.size(), 2);
    EXPECT_TRUE(Port(dlg)->hasFocus());
    EXPECT_FALSE(Button(dlg, 1)->isDown());
    QTest::mouseRelease(Button(dlg, 1), Qt::LeftButton);
    EXPECT_TRUE(dlg.isVisible()) << "the press that left the field must not close the dialog";

    // OK anyway (Enter): stored as 0.
    dlg.accept();
    EXPECT_EQ(settings::ReadInt("ServerPort", -1), 0);
    EXPECT_EQ(messages.messages.size(), 2);
}

TEST_F(SetupDlg, PortsInRangeAndEmptyPassWithoutAMessage) {
    for (const QString& port : {QString(""), QString("0"), QString("65535"), QString("00080")}) {
        test::IsolatedHome home;
        Store(1, "10.1.2.3", 5000, 0, 4);
        CSetupDlg dlg;
        Activate(dlg);
        Port(dlg)->setText(port);
        LeavePortField(dlg);
        EXPECT_TRUE(messages.messages.isEmpty()) << port.toStdString();
        dlg.accept();
        EXPECT_EQ(settings::ReadInt("ServerPort", -1), port.toInt()) << port.toStdString();
    }
}

TEST_F(SetupDlg, PortTextsAreReadAsTheirLeadingDigits) {
    int port = -1;
    EXPECT_TRUE(CSetupDlg::PortFromText("", &port));
    EXPECT_EQ(port, 0);
    EXPECT_TRUE(CSetupDlg::PortFromText("80x", &port));
    EXPECT_EQ(port, 80);
    EXPECT_TRUE(CSetupDlg::PortFromText(" +443", &port));
    EXPECT_EQ(port, 443);
    EXPECT_FALSE(CSetupDlg::PortFromText("65536", &port));
    EXPECT_EQ(port, 0);
    EXPECT_FALSE(CSetupDlg::PortFromText("-1", &port));
    // Digits far beyond any integer type are out of range, not wrapped round.
    EXPECT_FALSE(CSetupDlg::PortFromText("18446744073709551616000", &port));
    EXPECT_FALSE(CSetupDlg::PortFromText("4294967376", &port));  // 2^32 + 80
}

TEST_F(SetupDlg, PortFieldTakesDigitsOnly) {
    Store(1, "", 0, 0, 4);
    CSetupDlg dlg;
    Activate(dlg);
    Port(dlg)->clear();
    Port(dlg)->setFocus();
    QTest::keyClicks(Port(dlg), "8a0-8.0");
    EXPECT_EQ(Port(dlg)->text(), "8080");
}

TEST_F(SetupDlg, TabVisitsTheControlsInTheTemplatesOrder) {
    Store(1, "10.1.2.3", 5000, 0, 4);
    CSetupDlg dlg;
    Activate(dlg);
    CIpAddressCtrl* address = Address(dlg);
    const std::vector<QWidget*> order = {dlg.Control(1005), address->field(0), address->field(1), address->field(2),
                                         address->field(3), dlg.Control(1009), dlg.Control(1), dlg.Control(2),
                                         dlg.Control(1010)};
    order.front()->setFocus(Qt::TabFocusReason);
    for (size_t i = 1; i < order.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), order[i]) << "after " << i << " Tabs: " << QApplication::focusWidget()->objectName().toStdString();
    }
    for (size_t i = order.size() - 1; i-- > 0;) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        EXPECT_EQ(QApplication::focusWidget(), order[i]) << "Shift+Tab back to " << i;
    }
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(messages.messages.isEmpty());
}

TEST_F(SetupDlg, ChoosingColourfulAndOkStoresFive) {
    CSetupDlg dlg;
    Button(dlg, 1020)->click();
    dlg.accept();
    EXPECT_EQ(settings::ReadInt("NewMenuStyle", -1), 5);
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
}

TEST_F(SetupDlg, OkWritesAllFive) {
    CSetupDlg dlg;
    ASSERT_TRUE(Stored().isEmpty());
    Button(dlg, 1005)->click();
    Address(dlg)->setText("192.0.2.7");
    Port(dlg)->setText("10080");
    Button(dlg, 1010)->click();
    Button(dlg, 1015)->click();
    Button(dlg, 1)->click();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    const QMap<QString, QString> expected = {{"Settings/NewMenuStyle", "0"},
                                             {"Settings/TCPIPSend", "1"},
                                             {"Settings/ServerAddress", "192.0.2.7"},
                                             {"Settings/ServerPort", "10080"},
                                             {"Settings/AllWaysHistoryRead", "1"}};
    EXPECT_EQ(Stored(), expected);
}

TEST_F(SetupDlg, CancelAfterChangesLeavesTheSettingsAsTheyWere) {
    Store(1, "10.1.2.3", 5000, 1, 3);
    const QMap<QString, QString> before = Stored();
    CSetupDlg dlg;
    Button(dlg, 1020)->click();
    Address(dlg)->setText("10.9.9.9");
    Port(dlg)->setText("70000");
    Button(dlg, 1010)->click();
    Button(dlg, 1005)->click();
    Button(dlg, 2)->click();
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
    EXPECT_EQ(Stored(), before);

    // A store with none of the keys stays without them.
    test::IsolatedHome fresh;
    CSetupDlg again;
    Button(again, 1016)->click();
    again.reject();
    EXPECT_TRUE(Stored().isEmpty());
}

TEST_F(SetupDlg, LayoutKeepsTheTemplatesArrangementAndEveryTextFits) {
    CSetupDlg dlg;
    auto rect = [&](int id) { return dlg.Control(id)->geometry(); };
    // Two columns of menu styles, three rows each.
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(rect(1015 + i).left(), rect(1015).left());
        EXPECT_EQ(rect(1018 + i).left(), rect(1018).left());
        EXPECT_LT(rect(1015 + i).right(), rect(1018 + i).left());
        EXPECT_EQ(rect(1015 + i).center().y(), rect(1018 + i).center().y());
        if (i > 0) {
            EXPECT_GT(rect(1015 + i).top(), rect(1015 + i - 1).top());
        }
    }
    // Groups top to bottom: menu style, read-aloud, TCP; buttons below, OK left of Cancel.
    auto group = [&](const char* name) { return dlg.findChild<QGroupBox*>(name)->geometry(); };
    EXPECT_LT(group("menuStyleGroup").bottom(), group("readAloudGroup").top());
    EXPECT_LT(group("readAloudGroup").bottom(), group("tcpIpGroup").top());
    EXPECT_LT(group("tcpIpGroup").bottom(), rect(1).top());
    EXPECT_LT(rect(1).right(), rect(2).left());
    EXPECT_LT(rect(1008).right(), rect(1009).left());

    // Every control inside its group and the dialog; no two controls overlap;
    // each text is shown whole.
    const QRect inside(QPoint(0, 0), dlg.size());
    std::vector<QWidget*> controls;
    for (int id : {1015, 1016, 1017, 1018, 1019, 1020, 1005, 1006, 1008, 1007, 1009, 1, 2, 1010})
        controls.push_back(dlg.Control(id));
    controls.push_back(dlg.findChild<QLabel*>("nextStartNote"));
    for (QWidget* w : controls) {
        EXPECT_TRUE(inside.contains(w->geometry())) << w->objectName().toStdString();
        if (qobject_cast<QAbstractButton*>(w) || qobject_cast<QLabel*>(w)) {
            EXPECT_GE(w->width(), w->sizeHint().width()) << w->objectName().toStdString();
        }
    }
    for (size_t a = 0; a < controls.size(); ++a)
        for (size_t b = a + 1; b < controls.size(); ++b)
            EXPECT_FALSE(controls[a]->geometry().intersects(controls[b]->geometry()))
                << controls[a]->objectName().toStdString() << " / " << controls[b]->objectName().toStdString();
    for (int id = 1015; id <= 1020; ++id) EXPECT_TRUE(group("menuStyleGroup").contains(rect(id))) << id;
    for (int id : {1005, 1006, 1007, 1008, 1009}) EXPECT_TRUE(group("tcpIpGroup").contains(rect(id))) << id;
    EXPECT_TRUE(group("readAloudGroup").contains(rect(1010)));
}

TEST_F(SetupDlg, TheLanguageIsShownAndStoredWhenAnotherIsChosen) {
    const auto language = [](const CSetupDlg& d) { return Get<QComboBox>(d, CSetupDlg::IDC_LANGUAGE); };
    const std::pair<int, const char*> choices[] = {{2, "en"}, {1, "ja"}, {0, "auto"}};
    for (const auto& [index, stored] : choices) {
        CSetupDlg dlg;
        language(dlg)->setCurrentIndex(index);
        dlg.accept();
        EXPECT_EQ(settings::ReadString("Language"), stored);
        CSetupDlg again;
        EXPECT_EQ(language(again)->currentIndex(), index);
    }
    CSetupDlg dlg;
    EXPECT_EQ((QStringList{language(dlg)->itemText(0), language(dlg)->itemText(1), language(dlg)->itemText(2)}),
              QStringList({"自動", "日本語", "English"}));
}
