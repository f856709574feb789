// The commands of kuvora-cli. Each returns the process exit status:
// 0 when no message was shown, 1 when one was, 2 for a usage error or an
// unreadable card image.
#pragma once

#include <QString>

struct CliOptions {
    QString command;
    QString reader;   // --reader
    QString mode;     // --mode
    QString format;   // --format
    QString output;   // --output
};

enum ExitStatus { ExitOk = 0, ExitMessage = 1, ExitUsage = 2 };

int RunIdm(const CliOptions& options);
// Walks the card on the reader into the card image file --output.
int RunCapture(const CliOptions& options);
