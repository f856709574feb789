#include "CSetupDlg.h"

#include "CIpAddressCtrl.h"
#include "CSettingsStore.h"
#include "KuvoraFonts.h"
#include "MessageSink.h"
#include "StringTable.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QAbstractItemView>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>

#include <algorithm>

namespace {

constexpr int kPortMessage = 200;  // "ポート番号は0～65535の範囲で設定してください。"

// The dialog's template: its size and each control's rectangle in dialog
// units (left, top, width, height).
constexpr int kWidthDu = 185;
constexpr int kHeightDu = 218;  // with the language group below the TCP group

struct DuRect {
    int x, y, w, h;
};

// Dialog units of a font: a horizontal unit is a quarter of the font's
// average character width, a vertical unit an eighth of its height.
struct DialogUnits {
    explicit DialogUnits(const QFont& font) {
        const QFontMetrics fm(font);
        const int alphabet =
            fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
        cx = std::max(1, (alphabet / 26 + 1) / 2);
        cy = std::max(1, fm.height());
    }
    int X(int du) const { return (du * cx + 2) / 4; }
    int Y(int du) const { return (du * cy + 4) / 8; }
    QRect Pixels(const DuRect& r) const { return QRect(X(r.x), Y(r.y), X(r.w), Y(r.h)); }
    int cx, cy;
};

const char* const kMenuStyleTexts[] = {
    QT_TRANSLATE_NOOP("CSetupDlg", "基本スタイル"), QT_TRANSLATE_NOOP("CSetupDlg", "XPスタイル"),
    QT_TRANSLATE_NOOP("CSetupDlg", "スペシャル スタイル"), QT_TRANSLATE_NOOP("CSetupDlg", "ICYスタイル"),
    QT_TRANSLATE_NOOP("CSetupDlg", "Office2003スタイル"), QT_TRANSLATE_NOOP("CSetupDlg", "カラフル スタイル")};
// The language choices, as stored in "Language".
const char* const kLanguageValues[] = {"auto", "ja", "en"};
constexpr DuRect kMenuStyleRects[] = {{13, 30, 56, 10}, {13, 42, 48, 10}, {13, 54, 73, 10},
                                      {95, 30, 51, 10}, {95, 42, 75, 10}, {95, 54, 65, 10}};

const QString kKeyMenuStyle = QStringLiteral("NewMenuStyle");
const QString kKeyTcpIpSend = QStringLiteral("TCPIPSend");
const QString kKeyServerAddress = QStringLiteral("ServerAddress");
const QString kKeyServerPort = QStringLiteral("ServerPort");
const QString kKeyReadAloud = QStringLiteral("AllWaysHistoryRead");

int languageIndex(const QString& value) {
    for (int i = 0; i < 3; ++i)
        if (value == QLatin1String(kLanguageValues[i])) return i;
    return 0;
}

}  // namespace

CSetupDlg::CSetupDlg(QWidget* parent) : QDialog(parent) {
    m_nTcpIpSend = settings::TcpIpSend() ? 1 : 0;
    m_strServerAddress = settings::ServerAddress();
    m_strServerPort = QString::number(settings::ServerPort());
    m_nAllwaysHistoryRead = settings::AlwaysHistoryRead() ? 1 : 0;
    m_nMenuStyle = settings::MenuStyle();
    m_strLanguage = settings::Language();

    setObjectName(QStringLiteral("dialog%1").arg(IDD));
    setWindowTitle(tr("Kuvora 設定"));
    setFont(KuvoraProportionalFont(9));
    CreateControls();
    OnInitDialog();
}

CSetupDlg::~CSetupDlg() = default;

void CSetupDlg::CreateControls() {
    std::vector<std::pair<QWidget*, DuRect>> placed;
    auto place = [&](QWidget* w, int id, DuRect r) {
        if (id != 0) {
            w->setObjectName(QStringLiteral("control%1").arg(id));
            w->setProperty("controlId", id);
            m_Controls[id] = w;
        }
        placed.emplace_back(w, r);
    };

    // In the template's order, which is also the tab order.
    auto* styleGroup = new QGroupBox(tr("メニュー スタイル"), this);
    styleGroup->setObjectName(QStringLiteral("menuStyleGroup"));
    place(styleGroup, 0, {7, 7, 171, 61});
    m_pMenuStyles = new QButtonGroup(this);
    for (int i = 0; i < 6; ++i) {
        auto* radio = new QRadioButton(tr(kMenuStyleTexts[i]), this);
        m_pMenuStyles->addButton(radio, i);
        place(radio, IDC_STYLE_FIRST + i, kMenuStyleRects[i]);
    }

    auto* tcpGroup = new QGroupBox(tr("履歴情報TCP/IP送信"), this);
    tcpGroup->setObjectName(QStringLiteral("tcpIpGroup"));
    place(tcpGroup, 0, {7, 103, 171, 59});
    m_pTcpIpSend = new QCheckBox(tr("履歴情報TCP/IP送信を利用する"), this);
    place(m_pTcpIpSend, IDC_TCPIP_SEND, {13, 116, 121, 10});
    m_ctrlServerAddressLabel = new QLabel(QStringLiteral("Server Address"), this);
    place(m_ctrlServerAddressLabel, IDC_SERVER_ADDRESS_LABEL, {13, 128, 73, 11});
    m_ctrlServerAddress = new CIpAddressCtrl(this);
    m_ctrlServerAddress->setAccessibleName(m_ctrlServerAddressLabel->text());
    place(m_ctrlServerAddress, IDC_SERVER_ADDRESS, {13, 139, 99, 15});
    m_ctrlPortLabel = new QLabel(QStringLiteral("Port"), this);
    place(m_ctrlPortLabel, IDC_PORT_LABEL, {118, 128, 14, 11});
    m_ctrlServerPort = new QLineEdit(this);
    m_ctrlServerPort->setAccessibleName(m_ctrlPortLabel->text());
    m_ctrlServerPort->setAlignment(Qt::AlignCenter);
    m_ctrlServerPort->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_ctrlServerPort));
    place(m_ctrlServerPort, IDC_SERVER_PORT, {118, 139, 32, 15});

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    place(ok, IDC_OK, {76, 197, 49, 14});
    auto* cancel = new QPushButton(tr("キャンセル"), this);
    place(cancel, IDC_CANCEL, {129, 197, 49, 14});

    auto* note = new QLabel(tr("次回起動時に反映されます。"), this);
    note->setObjectName(QStringLiteral("nextStartNote"));
    place(note, 0, {13, 19, 94, 8});
    auto* readGroup = new QGroupBox(tr("履歴読み上げ"), this);
    readGroup->setObjectName(QStringLiteral("readAloudGroup"));
    place(readGroup, 0, {7, 72, 171, 25});
    m_pAllwaysRead = new QCheckBox(tr("常に読み上げる"), this);
    place(m_pAllwaysRead, IDC_ALWAYS_READ_ALOUD, {13, 83, 66, 10});

    // The language of the window (and of kuvora-cli's table and messages).
    auto* languageGroup = new QGroupBox(tr("言語"), this);
    languageGroup->setObjectName(QStringLiteral("languageGroup"));
    place(languageGroup, 0, {7, 166, 171, 27});
    m_pLanguage = new QComboBox(this);
    m_pLanguage->addItems({tr("自動"), tr("日本語"), QStringLiteral("English")});
    m_pLanguage->setAccessibleName(languageGroup->title());
    m_pLanguage->view()->setAccessibleName(languageGroup->title());
    place(m_pLanguage, IDC_LANGUAGE, {13, 177, 60, 12});
    auto* languageNote = new QLabel(note->text(), this);
    languageNote->setObjectName(QStringLiteral("languageNote"));
    place(languageNote, 0, {80, 179, 94, 8});

    // Dialog units from the dialog's font. A text control keeps its place
    // but grows to its text where this font's glyphs or the style's marks
    // need more room than the template gave, up to the dialog's margin.
    const DialogUnits units(font());
    const int rightLimit = units.X(kWidthDu - 7);
    for (auto& [w, du] : placed) {
        QRect r = units.Pixels(du);
        if (!qobject_cast<QGroupBox*>(w) && !qobject_cast<CIpAddressCtrl*>(w) && !qobject_cast<QLineEdit*>(w) &&
            !qobject_cast<QComboBox*>(w)) {
            const QSize hint = w->sizeHint();
            if (hint.width() > r.width()) r.setWidth(std::min(hint.width(), rightLimit - r.left()));
            if (hint.height() > r.height()) {
                const int grow = hint.height() - r.height();
                r.adjust(0, -grow / 2, 0, grow - grow / 2);
            }
        }
        w->setGeometry(r);
    }
    setFixedSize(units.X(kWidthDu), units.Y(kHeightDu));

    connect(m_pTcpIpSend, &QCheckBox::clicked, this, &CSetupDlg::OnTcpIpSendClicked);
    connect(ok, &QPushButton::clicked, this, &CSetupDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CSetupDlg::reject);
    m_ctrlServerPort->installEventFilter(this);
}

QWidget* CSetupDlg::Control(int id) const {
    auto it = m_Controls.find(id);
    return it == m_Controls.end() ? nullptr : it->second;
}

void CSetupDlg::OnInitDialog() {
    UpdateData(false);
    EnableServerControls(m_nTcpIpSend != 0);
}

void CSetupDlg::EnableServerControls(bool enable) {
    m_ctrlServerAddressLabel->setEnabled(enable);
    m_ctrlPortLabel->setEnabled(enable);
    if (!enable) m_ctrlServerAddress->clear();
    m_ctrlServerAddress->setEnabled(enable);
    m_ctrlServerPort->setEnabled(enable);
}

void CSetupDlg::UpdateData(bool saveAndValidate, bool keepSwitch) {
    if (saveAndValidate) {
        if (!keepSwitch) m_nTcpIpSend = m_pTcpIpSend->isChecked() ? 1 : 0;
        // With TCP send off the address control stands blank and disabled; its
        // blank is not the user's address, so the member keeps the stored one.
        if (m_nTcpIpSend) m_strServerAddress = m_ctrlServerAddress->text();
        m_strServerPort = m_ctrlServerPort->text();
        if (const int style = m_pMenuStyles->checkedId(); style >= 0) m_nMenuStyle = style;
        m_nAllwaysHistoryRead = m_pAllwaysRead->isChecked() ? 1 : 0;
        m_strLanguage = QString::fromLatin1(kLanguageValues[std::max(0, m_pLanguage->currentIndex())]);
        return;
    }
    m_pTcpIpSend->setChecked(m_nTcpIpSend != 0);
    if (m_nTcpIpSend) m_ctrlServerAddress->setText(m_strServerAddress);
    else m_ctrlServerAddress->clear();
    m_ctrlServerPort->setText(m_strServerPort);
    if (QAbstractButton* radio = m_pMenuStyles->button(m_nMenuStyle)) radio->setChecked(true);
    m_pAllwaysRead->setChecked(m_nAllwaysHistoryRead != 0);
    m_pLanguage->setCurrentIndex(languageIndex(m_strLanguage));
}

void CSetupDlg::OnTcpIpSendClicked() {
    // The switch flips in the member; the other controls are taken in first,
    // so that refilling the controls below keeps what the user chose in them.
    UpdateData(true, true);
    m_nTcpIpSend = m_nTcpIpSend ? 0 : 1;
    EnableServerControls(m_nTcpIpSend != 0);
    UpdateData(false);
}

bool CSetupDlg::PortFromText(const QString& text, int* port) {
    qsizetype i = 0;
    while (i < text.size() && (text[i] == QLatin1Char(' ') || (text[i] >= QLatin1Char('\t') && text[i] <= QLatin1Char('\r'))))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    long long value = 0;
    bool tooLarge = false;
    for (; i < text.size() && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9'); ++i) {
        value = value * 10 + (text[i].unicode() - '0');
        if (value > 65535) {
            tooLarge = true;
            value = 65536;  // stays bounded however many digits follow
        }
    }
    if (negative) value = -value;
    const bool inRange = !tooLarge && value >= 0 && value <= 65535;
    if (port) *port = inRange ? int(value) : 0;
    return inRange;
}

void CSetupDlg::OnKillFocusServerPort() {
    if (m_bClosing) return;
    UpdateData(true);
    if (!PortFromText(m_strServerPort, nullptr)) {
        ShowMessage(LoadString(kPortMessage));  // the message box shows it in the user's language
        m_ctrlServerPort->setFocus(Qt::OtherFocusReason);
    }
}

bool CSetupDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_ctrlServerPort && event->type() == QEvent::FocusOut) {
        // Focus that goes to a pop-up (the field's own context menu) or to
        // another window has not left the field within the dialog.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason && !m_bClosing &&
            m_ctrlServerPort->isEnabled()) {
            // Checked once the focus change is complete: the widget that took
            // the focus is then pressed and gets released again when the focus
            // goes back into the field, so the click that left the field does
            // nothing.
            QMetaObject::invokeMethod(this, &CSetupDlg::OnKillFocusServerPort, Qt::QueuedConnection);
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CSetupDlg::accept() {
    UpdateData(true);
    int port = 0;
    PortFromText(m_strServerPort, &port);  // 0 when outside 0..65535
    settings::WriteInt(kKeyMenuStyle, m_nMenuStyle);
    settings::WriteInt(kKeyTcpIpSend, m_nTcpIpSend);
    settings::WriteString(kKeyServerAddress, m_strServerAddress);
    settings::WriteInt(kKeyServerPort, port);
    settings::WriteInt(kKeyReadAloud, m_nAllwaysHistoryRead);
    // Kept as it was (missing too) unless the user chose another language.
    if (m_strLanguage != settings::Language()) settings::SetLanguage(m_strLanguage);
    QDialog::accept();
}

void CSetupDlg::done(int result) {
    m_bClosing = true;
    QDialog::done(result);
}
