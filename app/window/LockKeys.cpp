#include "LockKeys.h"

#include <QGuiApplication>

#include <X11/XKBlib.h>

LockKeyState QueryLockKeys() {
    LockKeyState state;
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    if (!display) return state;
    auto indicator = [display](const char* name) {
        Bool on = False;
        const Atom atom = XInternAtom(display, name, True);
        if (atom == None) return false;
        return XkbGetNamedIndicator(display, atom, nullptr, &on, nullptr, nullptr) && on;
    };
    state.known = true;
    state.caps = indicator("Caps Lock");
    state.num = indicator("Num Lock");
    state.scroll = indicator("Scroll Lock");
    return state;
}
