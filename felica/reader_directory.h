// Every reader the routes can find, and the reader name "auto": the first
// route that finds a reader, remembered while the program runs.
#pragma once

#include "transport.h"

#include <memory>
#include <string>
#include <vector>

namespace felica {

struct ReaderEntry {
    std::string route;        // "pcsc", "usb", "nfc"
    std::string name;         // the reader name that selects it ("nfc:pn532_uart:/dev/ttyUSB0")
    std::string description;  // what the route calls it
};

// Whether `name` has one of the forms a reader name takes (auto, pcsc,
// pcsc:NAME, usb, usb:BUS:ADDRESS, nfc, nfc:CONNSTRING, image:PATH); the
// forms, for a message, in `forms`.
bool isReaderNameForm(const std::string& name);
extern const char* const kReaderNameForms;

// The readers present on every route, in the order "auto" tries them.
std::vector<ReaderEntry> listReaders();

// Opens the reader "auto" stands for: the route that answered last time in
// this process first, then PC/SC, an RC-S380 on USB, libnfc.
std::unique_ptr<Transport> openAutoTransport(std::string& error);

// The reader "auto" found last ("" before it found one).
std::string autoReaderChosen();

}  // namespace felica
