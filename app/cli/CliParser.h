// The command line of kuvora-cli: COMMAND [OPTIONS], read with
// QCommandLineParser, and the help of each command.
#pragma once

#include "CliCommands.h"

#include <QStringList>

struct ParsedCommandLine {
    CliOptions options;
    bool help = false;     // --help or -h
    bool version = false;  // --version
    QString error;         // a usage error, empty when none
};

ParsedCommandLine ParseCliArguments(const QStringList& args);

// The commands kuvora-cli knows.
bool IsCliCommand(const QString& command);
// `command`'s usage line, what it does and its options, and nothing of the
// other commands' options.
QString CommandHelp(const QString& command);
