// The window program's command line: the switches after "/" or "-" in any
// letter case ("Embedding", "Automation", "Regserver"/"Register",
// "Unregserver"/"Unregister"), and the options --reader R and --read.
#pragma once

#include <QString>
#include <QStringList>

struct CommandLine {
    enum class Launch { Interactive, Embedding, Automation, Register, Unregister };
    Launch launch = Launch::Interactive;
    QString reader;          // --reader R
    bool readAtStart = false;  // --read: read the card once the window shows
    QString error;           // a malformed option
};

CommandLine ParseCommandLine(const QStringList& arguments);

// Whether the raw arguments start the interactive program (the switches
// above serve or (un)register the automation object without a window).
bool OpensWindow(int argc, char** argv);
