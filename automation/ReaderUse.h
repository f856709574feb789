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

}  // namespace automation
