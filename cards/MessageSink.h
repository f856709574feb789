// Messages to the user go through one sink that the program installs: a
// modal message box in the window program, standard error in the CLI, a
// recording sink in tests. Without an installed sink they go to stderr.
#pragma once

#include <QString>
#include <QStringList>

class MessageSink {
public:
    virtual ~MessageSink() = default;
    // Shows one message and returns when the user has seen it.
    virtual void showMessage(const QString& text) = 0;
};

// Writes each message to standard error, one per line.
class StderrMessageSink : public MessageSink {
public:
    void showMessage(const QString& text) override;
};

// Keeps every message shown, in order.
class RecordingMessageSink : public MessageSink {
public:
    void showMessage(const QString& text) override { messages.append(text); }
    QStringList messages;
};

// Installs `sink` (not owned; null restores the stderr sink) and returns the
// sink that was installed before.
MessageSink* InstallMessageSink(MessageSink* sink);

void ShowMessage(const QString& text);
// Shows the string-table text with this id.
void ShowMessage(int stringId);

// Installs a sink for the life of the object.
class ScopedMessageSink {
public:
    explicit ScopedMessageSink(MessageSink* sink) : previous_(InstallMessageSink(sink)) {}
    ~ScopedMessageSink() { InstallMessageSink(previous_); }
    ScopedMessageSink(const ScopedMessageSink&) = delete;
    ScopedMessageSink& operator=(const ScopedMessageSink&) = delete;

private:
    MessageSink* previous_;
};
