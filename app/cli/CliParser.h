// The command line of kuvora-cli, read by the grammar's tables:
//   kuvora-cli COMMAND [OPTIONS] [CARD_IMAGE]
// Options stand before or after the command, as --name VALUE or
// --name=VALUE; "--" ends them. An option the command does not take, a
// repeated option and a second argument are usage errors.
#pragma once

#include "CliCommands.h"

#include <QStringList>

struct ParsedCommandLine {
    CliOptions options;
    bool help = false;     // --help or -h
    bool version = false;  // --version
    QString error;         // a usage error, empty when none
    QString hint;          // the name probably meant, when there is one
};

ParsedCommandLine ParseCliArguments(const QStringList& args);

// A usage error's one line: "kuvora-cli: COMMAND: PROBLEM; did you mean
// HINT? (see kuvora-cli COMMAND --help)", the command's parts when there is
// a command.
QString UsageErrorLine(const QString& command, const QString& problem, const QString& hint = QString());

// The command the usage errors of this process are about.
void SetUsageCommand(const QString& command);
// Prints UsageErrorLine for the command set above on standard error and
// returns ExitUsage.
int UsageError(const QString& problem, const QString& hint = QString());
