// The window program's command line: the switches after "/" or "-" in any
// letter case ("Embedding", "Automation", "Regserver"/"Register",
// "Unregserver"/"Unregister"), the options --reader R, --read, --help and
// --version, and at most one card image file to open and read at once.
#pragma once

#include <QString>
#include <QStringList>

struct CommandLine {
    enum class Launch { Interactive, Embedding, Automation, Register, Unregister };
    Launch launch = Launch::Interactive;
    QString reader;          // --reader R
    bool readAtStart = false;  // --read: read the card once the window shows
    bool help = false;       // --help, -h: print the usage and end
    bool version = false;    // --version: print the version and end
    QString cardImage;       // FILE: its card is on the reader, read at once
    QString error;           // a malformed option
};

CommandLine ParseCommandLine(const QStringList& arguments);

// What --help prints.
QString CommandLineUsage();

// Whether the raw arguments start the interactive program (the switches
// above serve or (un)register the automation object without a window).
bool OpensWindow(int argc, char** argv);
