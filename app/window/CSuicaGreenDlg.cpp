#include "CSuicaGreenDlg.h"

#include "KuvoraFonts.h"
#include "ShownText.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// A caption in the user's language; it names its field for a screen reader.
QLabel* caption(const char* text, QWidget* parent, QWidget* field = nullptr) {
    auto* label = new QLabel(CSuicaGreenDlg::tr(text), parent);
    if (field) label->setBuddy(field);
    return label;
}

}  // namespace

CSuicaGreenDlg::CSuicaGreenDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("dialog%1").arg(IDD));
    setWindowTitle(tr("Suica グリーン券情報"));
    setFont(KuvoraProportionalFont(9));
    CreateControls();
    OnInitDialog();
}

CSuicaGreenDlg::~CSuicaGreenDlg() = default;

void CSuicaGreenDlg::CreateControls() {
    auto field = [this](int id, int minimumWidth) {
        auto* edit = new QLineEdit(this);
        edit->setReadOnly(true);
        // Tab visits the values, so that the keyboard and a screen reader
        // reach them; a click does not move the focus there.
        edit->setFocusPolicy(Qt::TabFocus);
        edit->setMinimumWidth(minimumWidth);
        edit->setObjectName(QStringLiteral("control%1").arg(id));
        edit->setProperty("controlId", id);
        m_Controls[id] = edit;
        return edit;
    };
    const int em = fontMetrics().horizontalAdvance(QChar(0x3042));  // one full-width character

    auto* title = caption(QT_TR_NOOP("Suicaグリーン券 Viewer"), this);
    title->setObjectName(QStringLiteral("viewerTitle"));
    QFont bold = font();
    bold.setBold(true);
    bold.setPointSizeF(font().pointSizeF() * 1.3);
    title->setFont(bold);

    auto* seatLabel = new QLabel(ShownText(m_Texts.seatLabel), this);
    seatLabel->setObjectName(QStringLiteral("control%1").arg(IDC_SEAT_LABEL));
    seatLabel->setProperty("controlId", IDC_SEAT_LABEL);
    m_Controls[IDC_SEAT_LABEL] = seatLabel;

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(8);
    QLineEdit* message = field(IDC_MESSAGE, 24 * em);
    message->setAccessibleName(tr("読み取りの結果"));
    grid->addWidget(caption(QT_TR_NOOP("購入日時："), this, field(IDC_PURCHASE, 14 * em)), 0, 0);
    grid->addWidget(Control(IDC_PURCHASE), 0, 1, 1, 3);
    grid->addWidget(caption(QT_TR_NOOP("購入区間："), this, field(IDC_BOARDING, 9 * em)), 1, 0);
    grid->addWidget(Control(IDC_BOARDING), 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("⇒"), this), 1, 2, Qt::AlignCenter);
    grid->addWidget(field(IDC_ALIGHTING, 9 * em), 1, 3);
    Control(IDC_ALIGHTING)->setAccessibleName(tr("降車駅"));
    grid->addWidget(caption(QT_TR_NOOP("料        金："), this, field(IDC_FARE, 6 * em)), 2, 0);
    grid->addWidget(Control(IDC_FARE), 2, 1);
    grid->addWidget(caption(QT_TR_NOOP("列車コード："), this, field(IDC_TRAIN_CODE, 6 * em)), 3, 0);
    grid->addWidget(Control(IDC_TRAIN_CODE), 3, 1);
    grid->addWidget(seatLabel, 4, 0);
    grid->addWidget(field(IDC_SEAT_TIME, 6 * em), 4, 1);
    seatLabel->setBuddy(Control(IDC_SEAT_TIME));
    grid->addWidget(field(IDC_SEAT_STATION, 9 * em), 4, 3);
    Control(IDC_SEAT_STATION)->setAccessibleName(tr("着席駅"));
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);

    auto* close = new QPushButton(tr("閉じる"), this);
    close->setObjectName(QStringLiteral("control%1").arg(IDC_CLOSE));
    close->setProperty("controlId", IDC_CLOSE);
    close->setDefault(true);
    m_Controls[IDC_CLOSE] = close;
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 12, 14, 12);
    layout->setSpacing(10);
    layout->addWidget(title);
    layout->addWidget(message);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QWidget* CSuicaGreenDlg::Control(int id) const {
    auto it = m_Controls.find(id);
    return it == m_Controls.end() ? nullptr : it->second;
}

void CSuicaGreenDlg::OnInitDialog() {
    m_Texts = GreenTicketTexts();
    UpdateData();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_Texts = ReadGreenTicket();
    QApplication::restoreOverrideCursor();
    UpdateData();
}

void CSuicaGreenDlg::UpdateData() {
    const std::pair<int, const QString*> fields[] = {
        {IDC_MESSAGE, &m_Texts.message},        {IDC_PURCHASE, &m_Texts.purchase},
        {IDC_BOARDING, &m_Texts.boardingStation}, {IDC_ALIGHTING, &m_Texts.alightingStation},
        {IDC_FARE, &m_Texts.fare},              {IDC_TRAIN_CODE, &m_Texts.trainCode},
        {IDC_SEAT_TIME, &m_Texts.seatTime},     {IDC_SEAT_STATION, &m_Texts.seatStation},
    };
    for (const auto& [id, text] : fields) static_cast<QLineEdit*>(Control(id))->setText(*text);
    // The message and the seat label in the user's language; the card's data as it is.
    static_cast<QLineEdit*>(Control(IDC_MESSAGE))->setText(ShownText(m_Texts.message));
    static_cast<QLabel*>(Control(IDC_SEAT_LABEL))->setText(ShownText(m_Texts.seatLabel));
}
