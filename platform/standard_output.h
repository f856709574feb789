// Standard output that tells when its text was lost (a full disk, a closed
// pipe, /dev/full): programs check it before they exit.
#pragma once

#include <string_view>

namespace platform {

// Writes and flushes `text`; false when any of it could not be written.
bool writeStandardOutput(std::string_view text);

// Flushes standard output. When anything written to it was lost, tells so on
// standard error as "PROGRAM: cannot write standard output (reason)" and
// returns a failing exit status (`status` itself when it already fails, else
// 1); otherwise returns `status`.
int finishStandardOutput(const char* program, int status);

}  // namespace platform
