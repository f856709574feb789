#include "CIpAddressCtrl.h"

#include <QEvent>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QRegularExpressionValidator>
#include <QStyle>
#include <QStyleOptionFrame>

CIpAddressCtrl::CIpAddressCtrl(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_Hover);
    auto* layout = new QHBoxLayout(this);
    const int frame = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
    layout->setContentsMargins(frame + 1, frame, frame + 1, frame);
    layout->setSpacing(0);
    auto* digits = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,3}")), this);
    for (int i = 0; i < 4; ++i) {
        if (i > 0) {
            auto* dot = new QLabel(QStringLiteral("."), this);
            dot->setAlignment(Qt::AlignCenter);
            layout->addWidget(dot);
        }
        auto* field = new QLineEdit(this);
        field->setObjectName(QStringLiteral("field%1").arg(i));
        field->setFrame(false);
        field->setAlignment(Qt::AlignCenter);
        field->setMaxLength(3);
        field->setValidator(digits);
        field->setAttribute(Qt::WA_MacShowFocusRect, false);
        field->setAccessibleName(tr("IP アドレスの第 %1 欄").arg(i + 1));
        field->installEventFilter(this);
        connect(field, &QLineEdit::textEdited, this, [this, i] { OnFieldEdited(i); });
        layout->addWidget(field, 1);
        m_Fields[i] = field;
    }
    // Tab visits the fields themselves, never the frame around them; focus
    // given to the control goes on to its first field (focusInEvent).
    setFocusPolicy(Qt::NoFocus);
}

QString CIpAddressCtrl::text() const {
    if (m_bKeepText) return m_strKeptText;
    if (isBlank()) return {};
    QStringList parts;
    for (QLineEdit* field : m_Fields) parts << QString::number(field->text().toInt());
    return parts.join(QLatin1Char('.'));
}

void CIpAddressCtrl::setText(const QString& text) {
    clear();
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) return;
    const QStringList parts = trimmed.split(QLatin1Char('.'));
    bool shown = parts.size() <= 4;
    for (const QString& part : parts) {
        bool ok = false;
        const int value = part.toInt(&ok);
        if (part.isEmpty() || !part.front().isDigit() || !ok || part.size() > 3 || value > 255) shown = false;
    }
    if (!shown) {
        m_strKeptText = text;
        m_bKeepText = true;
        return;
    }
    for (int i = 0; i < parts.size(); ++i) m_Fields[i]->setText(QString::number(parts[i].toInt()));
}

void CIpAddressCtrl::clear() {
    for (QLineEdit* field : m_Fields) field->clear();
    m_strKeptText.clear();
    m_bKeepText = false;
}

bool CIpAddressCtrl::isBlank() const {
    for (QLineEdit* field : m_Fields)
        if (!field->text().isEmpty()) return false;
    return true;
}

int CIpAddressCtrl::IndexOf(QObject* field) const {
    for (int i = 0; i < 4; ++i)
        if (m_Fields[i] == field) return i;
    return -1;
}

void CIpAddressCtrl::FocusField(int index, bool atEnd) {
    if (index < 0 || index > 3) return;
    QLineEdit* field = m_Fields[index];
    field->setFocus(Qt::OtherFocusReason);
    if (atEnd) field->setCursorPosition(int(field->text().size()));
    else field->selectAll();
}

void CIpAddressCtrl::OnFieldEdited(int index) {
    m_bKeepText = false;
    QLineEdit* field = m_Fields[index];
    if (field->text().toInt() > 255) field->setText(QStringLiteral("255"));
    if (field->text().size() == 3 && field->cursorPosition() == 3) FocusField(index + 1, false);
    emit textEdited();
}

bool CIpAddressCtrl::eventFilter(QObject* watched, QEvent* event) {
    const int index = IndexOf(watched);
    if (index < 0) return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
        update();
        if (event->type() == QEvent::FocusOut && m_Fields[index]->text().size() > 1)
            m_Fields[index]->setText(QString::number(m_Fields[index]->text().toInt()));  // "007" shows as "7"
    }
    if (event->type() != QEvent::KeyPress) return QWidget::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    QLineEdit* field = m_Fields[index];
    const bool empty = field->text().isEmpty();
    switch (key->key()) {
    case Qt::Key_Period:
    case Qt::Key_Space:
        if (!empty && !field->hasSelectedText()) FocusField(index + 1, false);
        return true;
    case Qt::Key_Right:
        if (field->cursorPosition() == field->text().size() && index < 3) {
            FocusField(index + 1, false);
            m_Fields[index + 1]->setCursorPosition(0);
            return true;
        }
        break;
    case Qt::Key_Left:
        if (field->cursorPosition() == 0 && index > 0) {
            FocusField(index - 1, true);
            return true;
        }
        break;
    case Qt::Key_Backspace:
        if (field->cursorPosition() == 0 && !field->hasSelectedText() && index > 0) {
            FocusField(index - 1, true);
            return true;
        }
        break;
    default: break;
    }
    return QWidget::eventFilter(watched, event);
}

void CIpAddressCtrl::paintEvent(QPaintEvent*) {
    // One line edit's panel behind the four fields and the dots.
    QPainter p(this);
    QStyleOptionFrame option;
    option.initFrom(this);
    option.lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, this);
    option.midLineWidth = 0;
    option.state |= QStyle::State_Sunken;
    for (QLineEdit* field : m_Fields)
        if (field->hasFocus()) option.state |= QStyle::State_HasFocus;
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &option, &p, this);
}

void CIpAddressCtrl::focusInEvent(QFocusEvent* event) {
    m_Fields[0]->setFocus(event->reason());
}

void CIpAddressCtrl::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange || event->type() == QEvent::PaletteChange) update();
    QWidget::changeEvent(event);
}
