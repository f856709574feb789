// Registration of the automation server: a D-Bus activation file for
// "Kuvora.Tarnel" in $XDG_DATA_HOME/dbus-1/services, so that the session bus
// starts the program with "-Embedding" when a client calls the name.
#pragma once

#include <QString>

namespace automation {

QString ActivationFilePath();
// The file's text; the program path is quoted for the bus's Exec parser
// where it needs to be.
QString ActivationFileText(const QString& program);

// Writes (replacing) or removes the file; false with the reason on failure.
// Removing a file that is not there succeeds.
bool WriteActivationFile(const QString& program, QString& error);
bool RemoveActivationFile(QString& error);

}  // namespace automation
