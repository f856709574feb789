#include "WindowPlatform.h"

#include <QGuiApplication>
#include <QList>

#include <cstdio>

namespace {

bool isDesktopPlatform(const QByteArray& name) {
    return name == "xcb" || name.startsWith("wayland");
}

// The plugin's name without its arguments ("xcb:foo" is "xcb").
QByteArray pluginOf(const QByteArray& entry) { return entry.split(':').first().trimmed().toLower(); }

}  // namespace

WindowPlatforms ChooseWindowPlatforms(const QByteArray& requested, bool waylandSession, bool xDisplay) {
    QList<QByteArray> entries;
    bool wayland = false;
    bool x = false;
    for (const QByteArray& entry : requested.split(';')) {
        const QByteArray plugin = pluginOf(entry);
        if (plugin.isEmpty()) continue;
        if (!isDesktopPlatform(plugin)) return {requested, false, {}, false};
        wayland = wayland || plugin.startsWith("wayland");
        x = x || plugin == "xcb";
        entries << entry.trimmed();
    }
    if (waylandSession && !wayland) entries << "wayland";
    if (xDisplay && !x) entries << "xcb";
    entries << "offscreen";
    return {entries.join(';'), true, {}, false};
}

WindowPlatforms SelectWindowPlatforms(bool opensWindow) {
    const QByteArray requested = qgetenv("QT_QPA_PLATFORM");
    WindowPlatforms choice{"offscreen", false, {}, false};
    if (opensWindow) {
        const bool waylandSession =
            !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") || qgetenv("XDG_SESSION_TYPE") == "wayland";
        choice = ChooseWindowPlatforms(requested, waylandSession, !qEnvironmentVariableIsEmpty("DISPLAY"));
    }
    choice.requested = requested;
    choice.requestedSet = qEnvironmentVariableIsSet("QT_QPA_PLATFORM");
    qputenv("QT_QPA_PLATFORM", choice.list);
    return choice;
}

bool RestorePlatformAndCheckDisplay(const WindowPlatforms& platforms) {
    if (platforms.requestedSet)
        qputenv("QT_QPA_PLATFORM", platforms.requested);
    else
        qunsetenv("QT_QPA_PLATFORM");
    if (!platforms.offscreenLastResort || QGuiApplication::platformName() != QLatin1String("offscreen")) return true;
    std::fputs("kuvora: no display to open the window on: neither a Wayland compositor (WAYLAND_DISPLAY) "
               "nor an X server (DISPLAY) answered\n",
               stderr);
    return false;
}
