#include "CliCommands.h"

#include "MessageSink.h"
#include "ReaderChoice.h"
#include "StringTable.h"
#include "felica.h"
#include "frames.h"

#include <cstdio>

namespace {

// Holds the FeliCa library initialised for one command.
struct LibraryHold {
    LibraryHold() { initialize_library(); }
    ~LibraryHold() { dispose_library(); }
    LibraryHold(const LibraryHold&) = delete;
    LibraryHold& operator=(const LibraryHold&) = delete;
};

}  // namespace

int RunIdm(const CliOptions& options) {
    const QString reader = ChooseReaderName(options.reader);
    QString error;
    if (!CheckCardImageReader(reader, error)) {
        std::fprintf(stderr, "%s\n", error.toUtf8().constData());
        return ExitUsage;
    }
    LibraryHold hold;
    SelectReader(reader);
    if (!open_reader_writer_auto()) {
        ShowMessage(1028);
        return ExitMessage;
    }
    std::uint8_t anyCard[2] = {0xFF, 0xFF};
    PollingRecord polling{anyCard, 0};
    std::uint8_t idm[8] = {}, pmm[8] = {};
    CardRecord card{idm, pmm};
    std::uint8_t count = 0;
    const bool found = polling_and_get_card_information(&polling, &count, &card) && count > 0;
    close_reader_writer();
    if (!found) {
        ShowMessage(1101);
        return ExitMessage;
    }
    std::printf("%s\n", felica::toHex(idm).c_str());
    return ExitOk;
}
