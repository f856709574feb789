#include "MessageSink.h"
#include "ShownText.h"
#include "StringTable.h"

#include <cstdio>

namespace {
StderrMessageSink g_stderrSink;
MessageSink* g_sink = nullptr;
}  // namespace

void StderrMessageSink::showMessage(const QString& text) {
    // In the user's language; what the CLI records (JSON) stays as given.
    QString line = ShownText(text);
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    std::fprintf(stderr, "%s\n", line.toUtf8().constData());
    std::fflush(stderr);
}

MessageSink* InstallMessageSink(MessageSink* sink) {
    MessageSink* previous = g_sink;
    g_sink = sink;
    return previous;
}

void ShowMessage(const QString& text) {
    (g_sink ? g_sink : &g_stderrSink)->showMessage(text);
}

void ShowMessage(int stringId) {
    ShowMessage(LoadString(stringId));
}
