// pn532-emulator: a PN532 reader on a pseudo-terminal with the card of a card
// image lying on it, so that kuvora-cli (or any libnfc program) can be tried
// without hardware:
//
//   $ pn532-emulator data/cards/suica-sample.json
//   nfc:pn532_uart:/dev/pts/5
//   $ kuvora-cli idm --reader nfc:pn532_uart:/dev/pts/5
#include "pn532_emulator.h"
#include "standard_output.h"

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>

namespace {

const char* const kUsage =
    "Usage: pn532-emulator [--delay MS] [--lift-after N] [--only-212 | --only-424] CARD_IMAGE\n"
    "\n"
    "Serves a PN532 reader on a new pseudo-terminal, with the card of CARD_IMAGE\n"
    "on it, until interrupted. The first line printed is the reader name to use.\n"
    "\n"
    "  --delay MS       the card takes MS milliseconds for every answer\n"
    "  --lift-after N   the card is lifted after answering N frames\n"
    "  --only-212, --only-424   the card answers at one bit rate only\n"
    "\n"
    "Commands on standard input, one a line:\n"
    "  lift | place | delay MS | lift-after N\n"
    "  garble checksum|noise|truncated|short [N]\n"
    "  silent on|off | power-cycle | stats | quit\n";

bool number(const std::string& s, long& out) {
    char* end = nullptr;
    out = std::strtol(s.c_str(), &end, 10);
    return !s.empty() && end && *end == '\0' && out >= 0 && out <= 1000000;
}

// Runs one command line; false for "quit".
bool command(pn532::Emulator& emu, const std::string& line) {
    std::istringstream in(line);
    std::string word, arg, arg2;
    in >> word >> arg >> arg2;
    long n = 0;
    if (word.empty()) return true;
    if (word == "quit") return false;
    if (word == "lift") {
        emu.liftCard();
    } else if (word == "place") {
        emu.placeCard();
    } else if (word == "delay" && number(arg, n)) {
        emu.setCardDelay(std::chrono::milliseconds(n));
    } else if (word == "lift-after" && number(arg, n)) {
        emu.liftAfter(static_cast<std::size_t>(n));
    } else if (word == "garble" && !arg.empty()) {
        long count = 1;
        if (!arg2.empty() && !number(arg2, count)) count = -1;
        pn532::Garble kind = pn532::Garble::Checksum;
        if (arg == "checksum") kind = pn532::Garble::Checksum;
        else if (arg == "noise") kind = pn532::Garble::Noise;
        else if (arg == "truncated") kind = pn532::Garble::Truncated;
        else if (arg == "short") kind = pn532::Garble::ShortCard;
        else count = -1;
        if (count < 0) {
            std::fprintf(stderr, "pn532-emulator: garble what? (checksum, noise, truncated, short)\n");
            return true;
        }
        emu.garble(kind, static_cast<std::size_t>(count));
    } else if (word == "silent" && (arg == "on" || arg == "off")) {
        emu.setSilent(arg == "on");
    } else if (word == "power-cycle") {
        emu.powerCycle();
    } else if (word == "stats") {
        const auto s = emu.stats();
        char text[160];
        std::snprintf(text, sizeof text, "opens %zu polls %zu exchanges %zu card-frames %zu bad-frames %zu wait %02X\n",
                      s.deviceOpens, s.polls, s.exchanges, s.cardFrames, s.badFrames, s.responseWait);
        platform::writeStandardOutput(text);
    } else {
        std::fprintf(stderr, "pn532-emulator: unknown command: %s\n", line.c_str());
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::string path;
    long delay = 0, liftAfter = -1;
    bool at212 = true, at424 = true;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            return platform::finishStandardOutput("pn532-emulator", 0);
        }
        if ((a == "--delay" || a == "--lift-after") && i + 1 < argc) {
            long v = 0;
            if (!number(argv[++i], v)) {
                std::fprintf(stderr, "pn532-emulator: %s needs a number\n", a.c_str());
                return 2;
            }
            (a == "--delay" ? delay : liftAfter) = v;
        } else if (a == "--only-212") {
            at424 = false;
        } else if (a == "--only-424") {
            at212 = false;
        } else if (!a.empty() && a[0] != '-' && path.empty()) {
            path = a;
        } else {
            std::fprintf(stderr, "pn532-emulator: unexpected argument %s\n\n%s", a.c_str(), kUsage);
            return 2;
        }
    }
    if (path.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    std::string error;
    auto image = felica::CardImage::load(path, error);
    if (!image) {
        std::fprintf(stderr, "pn532-emulator: %s\n", error.c_str());
        return 2;
    }

    // Signals arrive through a descriptor, beside standard input.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    const int sigfd = signalfd(-1, &signals, SFD_CLOEXEC);

    pn532::Emulator emu(std::move(*image));
    emu.setCardDelay(std::chrono::milliseconds(delay));
    emu.setBitRates(at212, at424);
    if (liftAfter >= 0) emu.liftAfter(static_cast<std::size_t>(liftAfter));
    if (!emu.start(error)) {
        std::fprintf(stderr, "pn532-emulator: %s\n", error.c_str());
        return 1;
    }
    // Without its first line nobody can find the reader.
    if (!platform::writeStandardOutput(emu.readerName() + "\n")) {
        emu.stop();
        return platform::finishStandardOutput("pn532-emulator", 1);
    }

    bool readStdin = true;
    std::string pending;
    for (;;) {
        pollfd fds[2] = {{sigfd, POLLIN, 0}, {readStdin ? 0 : -1, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) continue;
        if (fds[0].revents & POLLIN) break;
        if (fds[1].revents & (POLLIN | POLLHUP)) {
            char buf[256];
            const ssize_t n = ::read(0, buf, sizeof buf);
            if (n <= 0) {
                readStdin = false;  // no more commands: serve until a signal
                continue;
            }
            pending.append(buf, static_cast<std::size_t>(n));
            std::size_t nl;
            bool quit = false;
            while (!quit && (nl = pending.find('\n')) != std::string::npos) {
                quit = !command(emu, pending.substr(0, nl));
                pending.erase(0, nl + 1);
            }
            if (quit) break;
        }
    }
    emu.stop();
    return platform::finishStandardOutput("pn532-emulator", 0);
}
