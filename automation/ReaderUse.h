// While a ReaderUse lives, the reader belongs to a command of the window
// program (a Read, a capture): automation calls that arrive meanwhile, from a
// nested event loop, wait and are served once the last ReaderUse is gone.
#pragma once

namespace automation {

class ReaderUse {
public:
    ReaderUse();
    ~ReaderUse();
    ReaderUse(const ReaderUse&) = delete;
    ReaderUse& operator=(const ReaderUse&) = delete;

    static bool Active();
};

// While a ReaderPause lives, the ReaderUses that were there when it began
// hold the reader no more: their command waits for the user (a message box
// is up), not for the reader, so automation calls are served meanwhile. A
// ReaderUse that begins during the pause holds the reader as usual.
class ReaderPause {
public:
    ReaderPause();
    ~ReaderPause();
    ReaderPause(const ReaderPause&) = delete;
    ReaderPause& operator=(const ReaderPause&) = delete;

private:
    int m_nSavedPaused;
};

}  // namespace automation
