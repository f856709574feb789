// CIpAddressCtrl: a four-field entry for a dotted IPv4 address, each field
// 0..255 (a larger number becomes 255). Typing "." or a third digit moves on
// to the next field; Backspace or Left at the start of a field goes back to
// the one before, Right at its end on to the next.
#pragma once

#include <QString>
#include <QWidget>

#include <array>

class QLineEdit;

class CIpAddressCtrl : public QWidget {
    Q_OBJECT
public:
    explicit CIpAddressCtrl(QWidget* parent = nullptr);

    // The dotted address, e.g. "192.168.0.10". A blank control (all four
    // fields empty) yields "" rather than "0.0.0.0", so that a blank control
    // keeps "no server" as the stored text; a field left empty beside filled
    // ones counts as 0.
    QString text() const;
    // Shows a dotted address (one to four numbers; fields beyond are blank).
    // A text that is no such address (a host name, say) leaves the fields
    // blank but is kept and given back by text() until a field is edited,
    // so that opening and confirming a dialog never loses it.
    void setText(const QString& text);
    // All four fields blank.
    void clear();
    bool isBlank() const;

    QLineEdit* field(int index) const { return m_Fields[index]; }

signals:
    void textEdited();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    int IndexOf(QObject* field) const;
    void FocusField(int index, bool atEnd);
    void OnFieldEdited(int index);

    std::array<QLineEdit*, 4> m_Fields{};
    QString m_strKeptText;  // a stored text the fields cannot show
    bool m_bKeepText = false;
};
