#include "standard_output.h"

#include <cerrno>
#include <cstdio>
#include <system_error>

namespace platform {

namespace {

int firstError = 0;  // errno of the first lost write

void note(int error) {
    if (firstError == 0) firstError = error ? error : EIO;
}

}  // namespace

bool writeStandardOutput(std::string_view text) {
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size()) note(errno);
    errno = 0;
    if (std::fflush(stdout) != 0) note(errno);
    return !std::ferror(stdout);
}

int finishStandardOutput(const char* program, int status) {
    errno = 0;
    if (std::fflush(stdout) != 0) note(errno);
    if (!std::ferror(stdout) && firstError == 0) return status;
    if (firstError == 0) firstError = EIO;
    std::fprintf(stderr, "%s: cannot write standard output (%s)\n", program,
                 std::generic_category().message(firstError).c_str());
    return status != 0 ? status : 1;
}

}  // namespace platform
