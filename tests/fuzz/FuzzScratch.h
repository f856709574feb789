// A folder of the fuzz run's own that is also $XDG_CONFIG_HOME and
// $XDG_DATA_HOME, so that no input reads or writes the user's files. It is
// made in /dev/shm where that exists: a target that writes a file for each
// input would otherwise wait for the disk on every one.
#pragma once

#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdlib>

inline QString FuzzScratchFolder() {
    static QTemporaryDir dir = [] {
        const QFileInfo shm(QStringLiteral("/dev/shm"));
        return shm.isDir() && shm.isWritable() ? QTemporaryDir(QStringLiteral("/dev/shm/kuvora-fuzz-XXXXXX"))
                                               : QTemporaryDir();
    }();
    static const bool set = [] {
        const QByteArray path = dir.path().toLocal8Bit();
        ::setenv("XDG_CONFIG_HOME", (path + "/config").constData(), 1);
        ::setenv("XDG_DATA_HOME", (path + "/data").constData(), 1);
        return dir.isValid();
    }();
    if (!set) std::abort();
    return dir.path();
}
