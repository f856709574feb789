#include "reader_directory.h"

#include "nfc_transport.h"
#include "pcsc_transport.h"
#include "port100_transport.h"

#include <mutex>

namespace felica {
namespace {

// One reader route: how it lists its readers and opens the first of them.
struct Route {
    const char* name;
    std::vector<ReaderEntry> (*list)();
    std::unique_ptr<Transport> (*openFirst)(std::string& error);
};

std::unique_ptr<Transport> openFirstNfc(std::string& error) { return NfcTransport::open(std::string(), error); }

std::vector<ReaderEntry> listPcsc() {
    std::vector<ReaderEntry> found;
    std::string error;  // no pcscd: no PC/SC readers
    for (const pcsc::ReaderEntry& r : pcsc::listReaders(error)) found.push_back({"pcsc", r.selector, r.description});
    return found;
}
std::unique_ptr<Transport> openFirstPcsc(std::string& error) { return PcscTransport::open(std::string(), error); }

std::vector<ReaderEntry> listUsb() {
    std::vector<ReaderEntry> found;
    for (const UsbReader& r : listUsbReaders()) found.push_back({"usb", r.name, r.description});
    return found;
}
std::unique_ptr<Transport> openFirstUsb(std::string& error) { return openUsbReader(std::string(), error); }

// The order "auto" tries: PC/SC first (pcscd holds its readers whenever it
// runs), then an RC-S380 on USB, then libnfc.
const Route kRoutes[] = {
    {"pcsc", &listPcsc, &openFirstPcsc},
    {"usb", &listUsb, &openFirstUsb},
    {"nfc", &NfcTransport::list, &openFirstNfc},
};

struct AutoChoice {
    std::mutex lock;
    std::string route;   // the route that answered last
    std::string reader;  // and the reader behind it
};

AutoChoice& autoChoice() {
    static AutoChoice choice;
    return choice;
}

}  // namespace

const char* const kReaderNameForms =
    "auto, pcsc, pcsc:NAME, usb, usb:BUS:ADDRESS, nfc, nfc:CONNSTRING or image:PATH";

bool isReaderNameForm(const std::string& name) {
    for (const char* bare : {"auto", "pcsc", "usb", "nfc"})
        if (name == bare) return true;
    for (const char* prefix : {"pcsc:", "usb:", "nfc:", "image:"})
        if (name.rfind(prefix, 0) == 0) return true;
    return false;
}

std::vector<ReaderEntry> listReaders() {
    std::vector<ReaderEntry> all;
    for (const Route& r : kRoutes) {
        auto found = r.list();
        all.insert(all.end(), found.begin(), found.end());
    }
    return all;
}

std::unique_ptr<Transport> openAutoTransport(std::string& error) {
    AutoChoice& choice = autoChoice();
    std::string remembered;
    {
        std::lock_guard hold(choice.lock);
        remembered = choice.route;
    }
    std::vector<const Route*> order;
    for (const Route& r : kRoutes)
        if (remembered == r.name) order.push_back(&r);
    for (const Route& r : kRoutes)
        if (remembered != r.name) order.push_back(&r);
    std::string why;
    for (const Route* r : order) {
        std::string routeError;
        auto transport = r->openFirst(routeError);
        if (transport) {
            std::lock_guard hold(choice.lock);
            choice.route = r->name;
            choice.reader = transport->readerName().empty() ? std::string(r->name) : transport->readerName();
            return transport;
        }
        if (!why.empty()) why += "; ";
        why += std::string(r->name) + ": " + routeError;
    }
    error = "no reader/writer found (" + why + ")";
    return nullptr;
}

std::string autoReaderChosen() {
    std::lock_guard hold(autoChoice().lock);
    return autoChoice().reader;
}

}  // namespace felica
