// The card service dump: everything a reader learns about a FeliCa card
// without keys (IDm and its fields, PMm, the systems, and per system its
// areas and services with their attributes and the blocks of every service
// that can be read without encryption), as the text of FelicaFormat.TXT in
// CP932. It never shows a message: a failing step ends the text early.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

// How the readable blocks of a service are found.
enum class BlockProbe {
    // Twelve blocks a read, then a binary search inside the twelve that
    // failed: at most seven reads per service.
    Fast,
    // Reads of the first 1, 2, 3, ... blocks until one fails (up to 40
    // reads of up to 40 blocks each); kept to compare the fast probe with.
    Naive,
};

struct ServiceDumpResult {
    enum class Outcome {
        NoReader,  // the reader could not be opened: nothing written
        NoFile,    // the file could not be created
        NoCard,    // no card answered: the file is empty
        Stopped,   // a service search failed: the text ends early
        Complete,
    };
    Outcome outcome = Outcome::NoReader;
    int probedServices = 0;           // services whose blocks were probed
    std::size_t probeCommands = 0;    // FeliCa commands the probes sent
    bool written() const { return outcome != Outcome::NoReader && outcome != Outcome::NoFile; }
};

// The name of the dump file, written in the current directory.
inline QString ServiceDumpFileName() { return QStringLiteral("FelicaFormat.TXT"); }

// Dumps the card on the reader into `text` (CP932, lines ending in "\n").
ServiceDumpResult DumpCardServices(QByteArray& text, BlockProbe probe = BlockProbe::Fast);

// Dumps the card on the reader into the file `path`, created anew once the
// reader is open.
ServiceDumpResult WriteServiceDump(const QString& path = ServiceDumpFileName(),
                                   BlockProbe probe = BlockProbe::Fast);
