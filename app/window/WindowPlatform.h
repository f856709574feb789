// Which display the window opens on. A Wayland session gets a native
// Wayland window; where the Wayland plugin is missing or the compositor
// cannot be reached the window opens on X (Xwayland or an X server), and
// where neither answers the program says so instead of aborting.
#pragma once

#include <QByteArray>

struct WindowPlatforms {
    // The Qt platform plugins to try, in order, as QT_QPA_PLATFORM takes them.
    QByteArray list;
    // The list ends with "offscreen" only so that Qt does not abort when no
    // display answers: a window there would be seen by no one.
    bool offscreenLastResort = false;
    // QT_QPA_PLATFORM as the user had it, for the programs the window starts.
    QByteArray requested;
    bool requestedSet = false;
};

// `requested` is QT_QPA_PLATFORM as the user set it (empty when unset): it
// is tried first, and a choice other than Wayland or X (offscreen, vnc, ...)
// is kept as it stands. `waylandSession`: WAYLAND_DISPLAY is set or
// XDG_SESSION_TYPE is "wayland"; `xDisplay`: DISPLAY is set.
WindowPlatforms ChooseWindowPlatforms(const QByteArray& requested, bool waylandSession, bool xDisplay);

// Sets QT_QPA_PLATFORM for the application object about to be made: from
// this process's environment for a window, "offscreen" for a program that
// shows none.
WindowPlatforms SelectWindowPlatforms(bool opensWindow);

// Once the application object is made: puts the user's QT_QPA_PLATFORM back
// and says whether a display answered (printing why not when none did).
bool RestorePlatformAndCheckDisplay(const WindowPlatforms& platforms);
