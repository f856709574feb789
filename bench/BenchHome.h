// A temporary home for one benchmark: $XDG_DATA_HOME and $XDG_CONFIG_HOME
// (and the settings store) point into it, so no user's files are touched.
#pragma once

#include <QSettings>
#include <QTemporaryDir>

struct BenchHome {
    QTemporaryDir dir;
    BenchHome() {
        qputenv("XDG_DATA_HOME", (dir.path() + "/data").toUtf8());
        qputenv("XDG_CONFIG_HOME", (dir.path() + "/config").toUtf8());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path() + "/config");
    }
};
