// Where the station-code databases live.
#pragma once

#include <QString>

// The folder of the running program.
QString ExecutableFolder();

// StationCode.db beside the program, else ../share/kuvora/StationCode.db
// relative to it (the installed layout); a path set with
// SetStationCodeDatabasePath wins.
QString StationCodeDatabasePath();
void SetStationCodeDatabasePath(const QString& path);

// The user's own names: $XDG_DATA_HOME/Mirokaze/StationCodeUser.db.
QString UserStationCodeDatabasePath();
