// What the programs and the tests may ask of the FeliCa library beyond its
// C-style functions: the reason of the last failure, counters, and the
// factory that turns reader names into transports.
#pragma once

#include "frames.h"
#include "transport.h"

#include <cstddef>
#include <string>

namespace felica {

// A text that says why the last failing call failed ("" after a success).
std::string lastErrorDetail();

// Why no card was read, in the one wording every program uses: "the
// reader/writer could not be opened: " and the route's reason, "no card on
// the reader answered polling for system 0003", or how the card failed
// after it answered. Unlike lastErrorDetail it outlasts the calls that
// succeed after the failure (closing the reader), until a card answers a
// poll: empty when the card answered and nothing failed since.
std::string noCardReason();

// The libraries of the reader routes and their versions ("libnfc 1.8.0").
std::string readerLibraryVersions();

// The reader name set with set_reader_writer_name ("auto" until then).
std::string readerName();

// The card that last answered a poll for any system (FF FF), and how many
// such answers there have been: a watch for placed cards tells by it which
// card another command of the program has found in the meantime.
struct CardSeen {
    std::uint64_t count = 0;
    Idm idm{};
};
CardSeen lastCardSeen();

struct LibraryCounters {
    std::size_t transportsOpened = 0;  // devices opened and initialised (or card images loaded)
    std::size_t transportsReused = 0;  // opens served by a device kept from an earlier open
    std::size_t commandsSent = 0;      // FeliCa command frames sent, retries included
};
LibraryCounters counters();
void resetCounters();

// How many holders have the library initialised (initialize_library calls
// not yet matched by dispose_library), and whether a reader is open now.
int initialisationCount();
bool readerOpen();

// A reader device (not a card image) stays open for this long after
// close_reader_writer, so that the next open finds it ready; then it is
// released, as it is at the last dispose_library. Zero releases it at close.
// The default is 1.5 s.
void setIdleRelease(std::chrono::milliseconds idle);
std::chrono::milliseconds idleRelease();
// Whether a device is being kept open between a close and the next open.
bool readerKept();

// The most blocks the library puts in one Read Without Encryption frame: 12
// after each open, fewer once the card has refused that many (the library
// then reads in smaller pieces). May be set to 1..15, for the reader now open.
std::size_t blocksPerRead();
void setBlocksPerRead(std::size_t blocks);

// The card in the field is identified once (one wildcard poll, one Request
// System Code) and later polls for systems it lacks, polls for the system it
// is in and Request Service for services already asked about are answered
// from that, while the same device stays open and the card keeps answering
// within the presence window (2 s by default). Off sends every command.
void setCardCache(bool on);
void setPresenceWindow(std::chrono::milliseconds window);

// Replaces the factory that opens transports by reader name; an empty
// function restores the built-in one (felica::openTransport).
void setTransportFactory(TransportFactory factory);

// Response time limit for a command, from the PMm byte for that kind of
// command and the number of nodes or blocks, as the card announces it.
std::chrono::milliseconds responseTimeout(std::uint8_t pmmByte, std::size_t units);
// The longest time limit the library gives a command to the card of this
// PMm (a read of 12 blocks, a request for 32 services): readers whose chip
// keeps a response wait of its own set it once, to this, per card.
std::chrono::milliseconds longestCommandTime(const Pmm& pmm);

}  // namespace felica
