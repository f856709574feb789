// vicc: a FeliCa card in a PC/SC reader, for vsmartcard's vpcd driver. It
// connects to vpcd's port and answers as the reader would with the card of a
// card image lying on it, until vpcd closes the connection or it is killed.
//
//   $ vicc --acr122 35963 data/cards/suica-sample.json
//   inserted
#include "pcsc_card_emulator.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

const char* const kUsage =
    "Usage: vicc (--acr122 | --transparent) [--fault KIND] PORT CARD_IMAGE\n"
    "\n"
    "Connects to vpcd on 127.0.0.1:PORT as the card of CARD_IMAGE in an ACR122U\n"
    "(direct transmit) or in a transparent-exchange reader (FF C2).\n"
    "  --fault KIND   garble the answers to exchanges: truncated, no-reply-do,\n"
    "                 no-status, bad-status, hang (never answer) or\n"
    "                 no-session (refuse the session commands)\n";

bool readAll(int fd, std::uint8_t* p, std::size_t n) {
    while (n > 0) {
        const ssize_t got = ::read(fd, p, n);
        if (got <= 0) return false;
        p += got;
        n -= static_cast<std::size_t>(got);
    }
    return true;
}

bool writeMessage(int fd, const std::vector<std::uint8_t>& m) {
    std::vector<std::uint8_t> out = {static_cast<std::uint8_t>(m.size() >> 8), static_cast<std::uint8_t>(m.size())};
    out.insert(out.end(), m.begin(), m.end());
    return ::write(fd, out.data(), out.size()) == static_cast<ssize_t>(out.size());
}

void quickAck(int fd) {
    // vpcd sends the length and the APDU in two writes; a delayed ACK would
    // cost ~40 ms per APDU.
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_QUICKACK, &one, sizeof one);
}

}  // namespace

int main(int argc, char** argv) {
    vicc::Kind kind = vicc::Kind::Pn53x;
    vicc::Fault fault = vicc::Fault::None;
    bool kindGiven = false;
    std::vector<std::string> rest;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--acr122" || a == "--transparent") {
            kind = a == "--acr122" ? vicc::Kind::Pn53x : vicc::Kind::Transparent;
            kindGiven = true;
        } else if (a == "--fault" && i + 1 < argc) {
            if (!vicc::parseFault(argv[++i], fault)) {
                std::fputs(kUsage, stderr);
                return 2;
            }
        } else {
            rest.push_back(a);
        }
    }
    const int port = rest.size() == 2 ? std::atoi(rest[0].c_str()) : 0;
    if (!kindGiven || port <= 0 || port > 65535) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    std::string error;
    auto image = felica::CardImage::load(rest[1], error);
    if (!image) {
        std::fprintf(stderr, "vicc: %s\n", error.c_str());
        return 1;
    }
    vicc::CardEmulator card(kind, std::move(*image));
    card.setFault(fault);

    // vpcd listens once pcscd has loaded it: keep trying for ten seconds.
    int fd = -1;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    for (int attempt = 0; attempt < 200; ++attempt) {
        fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) break;
        if (fd >= 0) ::close(fd);
        fd = -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (fd < 0) {
        std::fprintf(stderr, "vicc: vpcd does not listen on port %d\n", port);
        return 1;
    }
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    bool inserted = false;
    for (;;) {
        quickAck(fd);
        std::uint8_t head[2];
        if (!readAll(fd, head, 2)) break;
        std::vector<std::uint8_t> m((head[0] << 8) | head[1]);
        if (!readAll(fd, m.data(), m.size())) break;
        quickAck(fd);
        if (m.size() == 1) {
            // Power off, on and reset need no answer; 04 asks for the ATR.
            if (m[0] == 0x04 && !writeMessage(fd, card.atr())) break;
            if (m[0] == 0x04 && !inserted) {
                // pcscd has the ATR: the card counts as inserted.
                inserted = true;
                std::puts("inserted");
                std::fflush(stdout);
            }
            continue;
        }
        const auto reply = card.respond(m);
        if (!reply.empty() && !writeMessage(fd, reply)) break;
    }
    ::close(fd);
    return 0;
}
