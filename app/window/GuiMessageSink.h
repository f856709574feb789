// Messages as modal message boxes with an OK button, captioned "Kuvora".
#pragma once

#include "MessageSink.h"

#include <QPointer>
#include <QWidget>

class GuiMessageSink : public MessageSink {
public:
    void SetOwner(QWidget* owner) { m_Owner = owner; }
    void showMessage(const QString& text) override;

private:
    QPointer<QWidget> m_Owner;
};
