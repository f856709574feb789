// The state of Caps Lock, Num Lock and Scroll Lock, for the status bar.
#pragma once

struct LockKeyState {
    bool known = false;  // false where the platform cannot tell
    bool caps = false;
    bool num = false;
    bool scroll = false;
};

LockKeyState QueryLockKeys();
