// A folder of the fuzz run's own that is also $XDG_CONFIG_HOME and
// $XDG_DATA_HOME, so that no input reads or writes the user's files.
#pragma once

#include <QTemporaryDir>

#include <cstdlib>

inline QString FuzzScratchFolder() {
    static QTemporaryDir dir;
    static const bool set = [] {
        const QByteArray path = dir.path().toLocal8Bit();
        ::setenv("XDG_CONFIG_HOME", (path + "/config").constData(), 1);
        ::setenv("XDG_DATA_HOME", (path + "/data").constData(), 1);
        return dir.isValid();
    }();
    if (!set) std::abort();
    return dir.path();
}
