#include "pcsc_transport.h"
#include "pcsc_calls.h"
#include "frames.h"
#include "library_control.h"
#include "nfc_transport.h"

#include <PCSC/reader.h>
#include <PCSC/winscard.h>

#include <cinttypes>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>

namespace felica {
namespace pcsc {
namespace {

std::mutex controlLock;
ControlFunction controlOverride;

std::string hexBytes(std::span<const std::uint8_t> b) {
    std::string s;
    char buf[4];
    for (std::uint8_t x : b) {
        std::snprintf(buf, sizeof buf, "%02X", x);
        s += buf;
    }
    return s;
}

std::string swText(std::uint8_t sw1, std::uint8_t sw2) {
    const std::uint8_t sw[2] = {sw1, sw2};
    return hexBytes(sw);
}

std::string resultText(LONG rv) {
    // Result codes are 32-bit values whatever width LONG has here.
    char code[16];
    std::snprintf(code, sizeof code, "0x%08" PRIX32, static_cast<std::uint32_t>(rv));
    return std::string(pcsc_stringify_error(rv)) + " (" + code + ")";
}

Reply gone(std::string detail) { return {TransceiveStatus::DeviceGone, {}, std::move(detail)}; }

// Checks and removes SW1 SW2; the data before it lands in `data`.
bool splitStatus(std::span<const std::uint8_t> rapdu, std::span<const std::uint8_t>& data, Reply& failure) {
    if (rapdu.size() < 2) {
        failure = gone("the reader's answer is " + std::to_string(rapdu.size()) + " byte(s), too short for a status word");
        return false;
    }
    const std::uint8_t sw1 = rapdu[rapdu.size() - 2], sw2 = rapdu[rapdu.size() - 1];
    if (sw1 != 0x90 || sw2 != 0x00) {
        failure = gone("the reader answered status " + swText(sw1, sw2));
        return false;
    }
    data = rapdu.first(rapdu.size() - 2);
    return true;
}

const DataObject* find(const std::vector<DataObject>& objects, std::uint32_t tag) {
    for (const auto& o : objects)
        if (o.tag == tag) return &o;
    return nullptr;
}

// Reads the status object C0 (index of the failing object, SW1 SW2).
bool statusObject(const std::vector<DataObject>& objects, std::uint8_t& sw1, std::uint8_t& sw2, Reply& failure) {
    const DataObject* c0 = find(objects, 0xC0);
    if (!c0) {
        failure = gone("the reader's answer lacks its status object (C0)");
        return false;
    }
    if (c0->value.size() != 3) {
        failure = gone("the reader's status object (C0) has " + std::to_string(c0->value.size()) + " bytes, not 3");
        return false;
    }
    sw1 = c0->value[1];
    sw2 = c0->value[2];
    return true;
}

}  // namespace

std::optional<Route> routeForName(const std::string& name) {
    if (name.find("ACR122") != std::string::npos) return Route::Pn53x;
    if (name.find("RC-S300") != std::string::npos || name.find("RC-S660") != std::string::npos)
        return Route::Transparent;
    return std::nullopt;
}

std::vector<std::string> splitReaderList(std::span<const char> list) {
    std::vector<std::string> names;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= list.size(); ++i) {
        if (i < list.size() && list[i] != '\0') continue;
        if (i == start) break;  // the empty name ends the list
        names.emplace_back(list.data() + start, i - start);
        start = i + 1;
    }
    return names;
}

bool parseDataObjects(std::span<const std::uint8_t> data, std::vector<DataObject>& out) {
    out.clear();
    std::size_t i = 0;
    while (i < data.size()) {
        std::uint32_t tag = data[i++];
        if ((tag & 0x1F) == 0x1F) {
            // Subsequent tag bytes carry bit 7 while more follow; three at most.
            int more = 0;
            do {
                if (i >= data.size() || ++more > 3) return false;
                tag = (tag << 8) | data[i];
            } while (data[i++] & 0x80);
        }
        if (i >= data.size()) return false;
        std::size_t length = data[i++];
        if (length == 0x81 || length == 0x82) {
            const std::size_t n = length - 0x80;
            if (data.size() - i < n) return false;
            length = 0;
            for (std::size_t k = 0; k < n; ++k) length = (length << 8) | data[i++];
        } else if (length > 0x7F) {
            return false;
        }
        if (data.size() - i < length) return false;
        out.push_back({tag, data.subspan(i, length)});
        i += length;
    }
    return true;
}

std::optional<std::uint32_t> findFeature(std::span<const std::uint8_t> features, std::uint8_t tag) {
    // Entries of tag, length 4, control code (big-endian).
    for (std::size_t i = 0; i + 2 <= features.size();) {
        const std::uint8_t t = features[i], len = features[i + 1];
        if (features.size() - i - 2 < len) return std::nullopt;
        if (t == tag && len == 4) {
            const std::uint8_t* v = &features[i + 2];
            return (std::uint32_t{v[0]} << 24) | (std::uint32_t{v[1]} << 16) | (std::uint32_t{v[2]} << 8) | v[3];
        }
        i += 2 + len;
    }
    return std::nullopt;
}

namespace {

// Takes a transparent-session answer apart: SW1 SW2 90 00, well-formed data
// objects, and the status object, whose SW lands in `sw`.
bool sessionAnswer(std::span<const std::uint8_t> rapdu, std::vector<DataObject>& objects, std::uint8_t (&sw)[2],
                   Reply& failure) {
    std::span<const std::uint8_t> data;
    if (!splitStatus(rapdu, data, failure)) return false;
    if (!parseDataObjects(data, objects)) {
        failure = gone("the reader's answer has malformed data objects: " + hexBytes(data));
        return false;
    }
    return statusObject(objects, sw[0], sw[1], failure);
}

}  // namespace

Reply parseTransparentStatus(std::span<const std::uint8_t> rapdu) {
    Reply r;
    std::vector<DataObject> objects;
    std::uint8_t sw[2] = {};
    if (!sessionAnswer(rapdu, objects, sw, r)) return r;
    if (sw[0] != 0x90 || sw[1] != 0x00) return gone("the reader refused the command with status " + swText(sw[0], sw[1]));
    r.status = TransceiveStatus::Ok;
    return r;
}

Reply parseTransparentExchange(std::span<const std::uint8_t> rapdu) {
    Reply r;
    std::vector<DataObject> objects;
    std::uint8_t sw[2] = {};
    if (!sessionAnswer(rapdu, objects, sw, r)) return r;
    // 64 01: the card did not answer (absent, or silent in time).
    if (sw[0] == 0x64 && sw[1] == 0x01) return {TransceiveStatus::NoAnswer, {}, {}};
    if (sw[0] != 0x90 || sw[1] != 0x00)
        return gone("the reader reported status " + swText(sw[0], sw[1]) + " for the exchange");
    const DataObject* reply = find(objects, 0x97);
    if (!reply || reply->value.empty())
        return {TransceiveStatus::NoAnswer, {}, "the reader's answer carries no card reply (97)"};
    r.status = TransceiveStatus::Ok;
    r.frame.assign(reply->value.begin(), reply->value.end());
    return r;
}

Reply parsePn53xPoll(std::span<const std::uint8_t> rapdu) {
    Reply r;
    std::span<const std::uint8_t> d;
    if (!splitStatus(rapdu, d, r)) return r;
    if (d.size() < 3 || d[0] != 0xD5 || d[1] != 0x4B) return gone("the reader's answer to polling is not D5 4B: " + hexBytes(d));
    if (d[2] == 0) return {TransceiveStatus::NoAnswer, {}, {}};
    // Tg, then the card's answer with its length byte.
    if (d.size() < 5 || d[4] < 2 || d.size() - 4 < d[4])
        return gone("the reader's answer to polling is cut short: " + hexBytes(d));
    r.status = TransceiveStatus::Ok;
    r.frame.assign(d.begin() + 4, d.begin() + 4 + d[4]);
    return r;
}

Reply parsePn53xThru(std::span<const std::uint8_t> rapdu) {
    Reply r;
    std::span<const std::uint8_t> d;
    if (!splitStatus(rapdu, d, r)) return r;
    if (d.size() < 3 || d[0] != 0xD5 || d[1] != 0x43) return gone("the reader's answer to an exchange is not D5 43: " + hexBytes(d));
    // Status 01 is the chip's timeout; other radio errors (CRC, framing)
    // also leave nothing the library could use.
    if ((d[2] & 0x3F) != 0 || d.size() == 3) return {TransceiveStatus::NoAnswer, {}, {}};
    r.status = TransceiveStatus::Ok;
    r.frame.assign(d.begin() + 3, d.end());
    return r;
}

void setControlFunction(ControlFunction f) {
    std::lock_guard hold(controlLock);
    controlOverride = std::move(f);
}

namespace {

LONG control(SCARDHANDLE card, DWORD code, std::span<const std::uint8_t> in, std::vector<std::uint8_t>& out) {
    {
        std::lock_guard hold(controlLock);
        if (controlOverride) return controlOverride(card, code, in, out);
    }
    out.assign(1024, 0);
    DWORD got = 0;
    const LONG rv = SCardControl(card, code, in.empty() ? nullptr : in.data(), in.size(), out.data(), out.size(), &got);
    out.resize(rv == SCARD_S_SUCCESS ? std::min<std::size_t>(got, out.size()) : 0);
    return rv;
}

// How long pcscd may take over a call that does not wait for the card.
constexpr std::chrono::milliseconds kSetupLimit{5000};
// What an exchange may take beyond the card's own time.
constexpr std::chrono::milliseconds kExchangeMargin{3000};

}  // namespace

// Runs a PC/SC call on a thread of its own and stops waiting for it after
// `limit`: the client library waits for pcscd without end, and pcscd waits
// for a reader driver that may never return. A call given up on keeps its
// thread; it owns everything it touches. SCARD_E_TIMEOUT means given up.
LONG bounded(std::function<LONG()> call, std::chrono::milliseconds limit) {
    struct Pending {
        std::mutex m;
        std::condition_variable cv;
        bool done = false;
        LONG rv = SCARD_E_TIMEOUT;
    };
    auto p = std::make_shared<Pending>();
    try {
        std::thread([p, call = std::move(call)] {
            const LONG rv = call();
            std::lock_guard hold(p->m);
            p->rv = rv;
            p->done = true;
            p->cv.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        return SCARD_E_NO_MEMORY;
    }
    std::unique_lock lock(p->m);
    p->cv.wait_for(lock, limit, [&] { return p->done; });
    return p->done ? p->rv : SCARD_E_TIMEOUT;
}

std::string connectError(const std::string& what, LONG rv) {
    if (rv == SCARD_E_TIMEOUT)
        return what + ": pcscd did not answer within " + std::to_string(kSetupLimit.count() / 1000) + " s";
    if (rv == SCARD_E_NO_SERVICE || rv == SCARD_E_SERVICE_STOPPED)
        return "pcscd is not running (start it with: systemctl start pcscd.socket)";
    return what + ": " + resultText(rv);
}

// Lists the reader names; "" or why not.
std::string readerNames(SCARDCONTEXT context, std::vector<std::string>& names) {
    // The library sizes the list itself (SCARD_AUTOALLOCATE) in one call.
    auto list = std::make_shared<std::vector<char>>();
    const LONG rv = bounded([context, list] {
        char* text = nullptr;
        DWORD size = SCARD_AUTOALLOCATE;
        const LONG r = SCardListReaders(context, nullptr, reinterpret_cast<char*>(&text), &size);
        if (r == SCARD_S_SUCCESS && text) {
            list->assign(text, text + size);
            SCardFreeMemory(context, text);
        }
        return r;
    }, kSetupLimit);
    if (rv == SCARD_E_NO_READERS_AVAILABLE) return "pcscd lists no reader/writer (is one plugged in?)";
    if (rv != SCARD_S_SUCCESS) return connectError("pcscd could not list the readers", rv);
    names = splitReaderList(*list);
    if (names.empty()) return "pcscd lists no reader/writer (is one plugged in?)";
    return {};
}

LONG establish(SCARDCONTEXT& context) {
    auto out = std::make_shared<SCARDCONTEXT>(0);
    const LONG rv = bounded([out] { return SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, out.get()); },
                            kSetupLimit);
    if (rv != SCARD_E_TIMEOUT) context = *out;
    return rv;
}

// Releasing waits behind a call that never returned; then it is left to its thread.
void release(SCARDCONTEXT context) {
    bounded([context] { return SCardReleaseContext(context); }, std::chrono::milliseconds(500));
}

namespace {

// The ifdDriverOptions step in the error message for readers that refuse escapes.
const char* kEscapeHint =
    "; libccid allows them only with ifdDriverOptions 0x0001: set it in "
    "/etc/libccid_Info.plist (the <string> after <key>ifdDriverOptions</key>) "
    "and restart pcscd (see docs/readers.md)";

constexpr std::uint8_t kManageSession[] = {0xFF, 0xC2, 0x00, 0x00};
constexpr std::uint8_t kSwitchProtocol[] = {0xFF, 0xC2, 0x00, 0x02};

}  // namespace

std::vector<ReaderEntry> listReaders(std::string& error) {
    std::vector<ReaderEntry> entries;
    SCARDCONTEXT context = 0;
    LONG rv = establish(context);
    if (rv != SCARD_S_SUCCESS) {
        error = connectError("PC/SC is not available", rv);
        return entries;
    }
    std::vector<std::string> names;
    error = readerNames(context, names);
    release(context);
    for (const auto& n : names) {
        const auto route = routeForName(n);
        std::string what = !route ? "PC/SC reader/writer, tried as a storage-card reader (FF C2 transparent exchange)"
                           : *route == Route::Pn53x ? "ACR122U (PN53x direct transmit)"
                                                    : "Sony RC-S300/RC-S660 (transparent exchange)";
        entries.push_back({"pcsc:" + n, std::move(what)});
    }
    return entries;
}

}  // namespace pcsc

using namespace pcsc;

std::unique_ptr<PcscTransport> PcscTransport::open(const std::string& readerName, std::string& error) {
    SCARDCONTEXT context = 0;
    LONG rv = establish(context);
    if (rv != SCARD_S_SUCCESS) {
        error = connectError("PC/SC is not available", rv);
        return nullptr;
    }
    std::vector<std::string> names;
    error = readerNames(context, names);
    if (!error.empty()) {
        release(context);
        return nullptr;
    }
    std::string chosen;
    Route route = Route::Transparent;
    for (const auto& n : names) {
        const auto r = routeForName(n);
        if (readerName.empty() ? r.has_value() : n == readerName) {
            chosen = n;
            route = r.value_or(Route::Transparent);
            break;
        }
    }
    if (chosen.empty()) {
        release(context);
        std::string listed;
        for (const auto& n : names) listed += (listed.empty() ? "\"" : ", \"") + n + "\"";
        error = readerName.empty() ? "pcscd lists no FeliCa reader/writer (it lists " + listed + ")"
                                   : "pcscd lists no reader/writer \"" + readerName + "\" (it lists " + listed + ")";
        return nullptr;
    }
    std::unique_ptr<PcscTransport> t(new PcscTransport(context, chosen, route));
    error = t->connect();
    if (!error.empty()) return nullptr;
    return t;
}

PcscTransport::PcscTransport(std::intptr_t context, std::string reader, Route route)
    : context_(context), reader_(std::move(reader)), route_(route) {}

PcscTransport::~PcscTransport() {
    if (stuck_) return;  // the context waits behind a call that never returned
    if (connected_ && route_ == Route::Transparent) {
        const std::uint8_t end[] = {0xFF, 0xC2, 0x00, 0x00, 0x02, 0x82, 0x00, 0x00};
        std::vector<std::uint8_t> ignored;
        send(end, ignored);
    }
    disconnect();
    release(context_);
}

void PcscTransport::disconnect() {
    const SCARDHANDLE card = card_;
    if (connected_) bounded([card] { return SCardDisconnect(card, SCARD_LEAVE_CARD); }, std::chrono::milliseconds(500));
    connected_ = false;
    rfReady_ = false;
    chipWait_ = 0;
}

std::string PcscTransport::connect(bool direct) {
    const std::string quoted = "\"" + reader_ + "\"";
    struct Handle {
        SCARDHANDLE card = 0;
        DWORD protocol = 0;
    };
    auto connectAs = [this](DWORD share, DWORD protocols, Handle& h) {
        auto out = std::make_shared<Handle>();
        const SCARDCONTEXT context = context_;
        const LONG rv = bounded([context, name = reader_, share, protocols, out] {
            return SCardConnect(context, name.c_str(), share, protocols, &out->card, &out->protocol);
        }, kSetupLimit);
        if (rv != SCARD_E_TIMEOUT) h = *out;
        return rv;
    };
    Handle h;
    // A reader that presents a card takes the pseudo-APDUs as APDUs.
    LONG rv = direct ? SCARD_E_NO_SMARTCARD : connectAs(SCARD_SHARE_SHARED, SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1, h);
    escape_ = false;
    if (rv == SCARD_E_NO_SMARTCARD || rv == SCARD_W_REMOVED_CARD || rv == SCARD_W_UNRESPONSIVE_CARD ||
        rv == SCARD_W_UNPOWERED_CARD || rv == SCARD_E_PROTO_MISMATCH) {
        rv = connectAs(SCARD_SHARE_DIRECT, 0, h);
        escape_ = true;
    }
    const SCARDHANDLE card = h.card;
    const DWORD protocol = h.protocol;
    if (rv == SCARD_E_SHARING_VIOLATION) return "the reader/writer " + quoted + " is in use by another program";
    if (rv != SCARD_S_SUCCESS) return connectError("pcscd could not connect to " + quoted, rv);
    card_ = card;
    protocol_ = protocol;
    connected_ = true;
    if (escape_) {
        auto features = std::make_shared<std::vector<std::uint8_t>>();
        const LONG frv = bounded([card, features] { return control(card, CM_IOCTL_GET_FEATURE_REQUEST, {}, *features); },
                                 kSetupLimit);
        const auto code = frv == SCARD_S_SUCCESS ? findFeature(*features, FEATURE_CCID_ESC_COMMAND) : std::nullopt;
        if (!code) {
            disconnect();
            return "the reader/writer " + quoted + " holds no card and takes no escape commands" + kEscapeHint;
        }
        escapeCode_ = *code;
    }
    std::vector<std::uint8_t> ignored;
    if (route_ == Route::Pn53x) {
        // One activation attempt per poll instead of the firmware's endless retries.
        const std::uint8_t retries[] = {0xFF, 0x00, 0x00, 0x00, 0x06, 0xD4, 0x32, 0x05, 0x00, 0x00, 0x00};
        const LONG srv = send(retries, ignored);
        if (srv != SCARD_S_SUCCESS || ignored.size() < 4 || ignored[0] != 0xD5 || ignored[1] != 0x33) {
            disconnect();
            return "the reader/writer " + quoted + " did not take the PN53x setup command" +
                   (srv != SCARD_S_SUCCESS ? ": " + resultText(srv) : " (answer " + hexBytes(ignored) + ")");
        }
        return {};
    }
    // A stale session from an earlier program ends first; its answer does not matter.
    const std::uint8_t end[] = {0xFF, 0xC2, 0x00, 0x00, 0x02, 0x82, 0x00, 0x00};
    send(end, ignored);
    const std::uint8_t start[] = {0xFF, 0xC2, 0x00, 0x00, 0x02, 0x81, 0x00, 0x00};
    const std::uint8_t felica[] = {0xFF, 0xC2, 0x00, 0x02, 0x04, 0x8F, 0x02, 0x03, 0x00, 0x00};
    for (auto apdu : {std::span<const std::uint8_t>(start), std::span<const std::uint8_t>(felica)}) {
        Reply r = call(apdu, parseTransparentStatus, "starting the FeliCa session");
        if (r.status != TransceiveStatus::Ok) {
            const std::string why = "the reader/writer " + quoted + " could not start a FeliCa session: " + r.detail;
            disconnect();
            if (escape_ || stuck_) return why;
            // Firmware that keeps the session commands to its escape channel.
            const std::string directWhy = connect(true);
            return directWhy.empty() ? std::string() : why + "; as escape commands: " + directWhy;
        }
    }
    return {};
}

long PcscTransport::send(std::span<const std::uint8_t> apdu, std::vector<std::uint8_t>& reply,
                         std::chrono::milliseconds limit) {
    reply.clear();
    auto out = std::make_shared<std::vector<std::uint8_t>>();
    const SCARDHANDLE card = card_;
    std::vector<std::uint8_t> in(apdu.begin(), apdu.end());
    LONG rv = 0;
    if (escape_) {
        rv = bounded([card, code = escapeCode_, in = std::move(in), out] { return control(card, code, in, *out); },
                     limit);
    } else {
        const SCARD_IO_REQUEST* pci = protocol_ == SCARD_PROTOCOL_T0 ? SCARD_PCI_T0 : SCARD_PCI_T1;
        rv = bounded([card, pci, in = std::move(in), out] {
            auto transmit = [&](const std::vector<std::uint8_t>& command) {
                out->assign(600, 0);
                DWORD got = out->size();
                const LONG r = SCardTransmit(card, pci, command.data(), command.size(), nullptr, out->data(), &got);
                out->resize(r == SCARD_S_SUCCESS ? std::min<std::size_t>(got, out->size()) : 0);
                return r;
            };
            LONG r = transmit(in);
            // Readers on T=0 keep the answer until asked with GET RESPONSE.
            if (r == SCARD_S_SUCCESS && out->size() == 2 && (*out)[0] == 0x61)
                r = transmit({0xFF, 0xC0, 0x00, 0x00, (*out)[1]});
            return r;
        }, limit);
    }
    if (rv == SCARD_E_TIMEOUT) {
        // The call keeps its thread; nothing may use the connection again.
        stuck_ = true;
        connected_ = false;
        return rv;
    }
    reply = std::move(*out);
    return rv;
}

Reply PcscTransport::call(std::span<const std::uint8_t> apdu, Reply (*parse)(std::span<const std::uint8_t>),
                          const char* what, std::chrono::milliseconds limit) {
    std::vector<std::uint8_t> raw;
    const LONG rv = send(apdu, raw, limit);
    if (rv == SCARD_S_SUCCESS) return parse(raw);
    if (rv == SCARD_E_TIMEOUT)
        return gone(std::string("PC/SC: ") + what + ": pcscd did not answer within " +
                    std::to_string(limit.count()) + " ms");
    // The card left: the connection made for it is over, the reader is not.
    if (rv == SCARD_W_REMOVED_CARD || rv == SCARD_W_RESET_CARD || rv == SCARD_E_NO_SMARTCARD) {
        disconnect();
        return {TransceiveStatus::NoAnswer, {}, {}};
    }
    return {TransceiveStatus::DeviceGone, {}, std::string("PC/SC: ") + what + ": " + resultText(rv)};
}

TransceiveStatus PcscTransport::finish(Reply reply, std::vector<std::uint8_t>& answer) {
    if (reply.status == TransceiveStatus::DeviceGone) {
        broken_ = true;
        failure_ = "\"" + reader_ + "\": " + reply.detail;
    } else if (reply.status == TransceiveStatus::Ok) {
        answer = std::move(reply.frame);
    }
    return reply.status;
}

TransceiveStatus PcscTransport::transceive(std::span<const std::uint8_t> command, std::vector<std::uint8_t>& answer,
                                           std::chrono::milliseconds timeout) {
    answer.clear();
    if (broken_ || stuck_) return TransceiveStatus::DeviceGone;
    if (command.size() < 2 || command.size() > 250 || command[0] != command.size()) return TransceiveStatus::NoAnswer;
    if (!connected_) {
        // The card was lifted since the last exchange: connect for the next one.
        const std::string why = connect();
        if (!why.empty()) return finish(gone(why), answer);
    }
    if (route_ == Route::Pn53x) {
        if (command[1] == cmd::Polling && command.size() == 6) return pn53xPoll(command, answer);
        if (!rfReady_) {
            // The chip's radio speaks FeliCa only after a FeliCa selection.
            const std::uint8_t any[6] = {6, cmd::Polling, 0xFF, 0xFF, 0x00, 0x00};
            std::vector<std::uint8_t> ignored;
            if (pn53xPoll(any, ignored) == TransceiveStatus::DeviceGone) return TransceiveStatus::DeviceGone;
            if (!connected_) return TransceiveStatus::NoAnswer;
        }
        // The chip gives up on the card after its response wait; it must cover
        // what the card announced.
        // Raised only, as on the libnfc route: each change costs an APDU.
        const std::uint8_t code = NfcTransport::chipWaitCode(std::max(timeout, cardWait_));
        if (code > chipWait_) {
            const std::uint8_t wait[] = {0xFF, 0x00, 0x00, 0x00, 0x06, 0xD4, 0x32, 0x02, 0x00, 0x0B, code};
            std::vector<std::uint8_t> ignored;
            const LONG rv = send(wait, ignored);
            if (rv != SCARD_S_SUCCESS || ignored.size() < 2 || ignored[0] != 0xD5 || ignored[1] != 0x33)
                return finish(gone("the reader did not take the response wait: " +
                                   (rv != SCARD_S_SUCCESS ? resultText(rv) : hexBytes(ignored))),
                              answer);
            chipWait_ = code;
        }
        std::vector<std::uint8_t> apdu = {0xFF, 0x00, 0x00, 0x00, static_cast<std::uint8_t>(command.size() + 2), 0xD4, 0x42};
        apdu.insert(apdu.end(), command.begin(), command.end());
        return finish(call(apdu, parsePn53xThru, "exchanging a frame", timeout + kExchangeMargin), answer);
    }
    // Transparent exchange: the timer (microseconds), then the frame.
    const auto us = static_cast<std::uint32_t>(std::min<std::int64_t>(timeout.count(), 60000) * 1000);
    std::vector<std::uint8_t> data = {0x5F, 0x46, 0x04, static_cast<std::uint8_t>(us), static_cast<std::uint8_t>(us >> 8),
                                      static_cast<std::uint8_t>(us >> 16), static_cast<std::uint8_t>(us >> 24), 0x95};
    if (command.size() > 0x7F) data.push_back(0x81);
    data.push_back(static_cast<std::uint8_t>(command.size()));
    data.insert(data.end(), command.begin(), command.end());
    std::vector<std::uint8_t> apdu = {0xFF, 0xC2, 0x00, 0x01};
    if (data.size() <= 255) {
        apdu.push_back(static_cast<std::uint8_t>(data.size()));
        apdu.insert(apdu.end(), data.begin(), data.end());
        apdu.push_back(0x00);
    } else {
        // Extended length: Lc and Le in two bytes after a zero byte.
        apdu.insert(apdu.end(), {0x00, static_cast<std::uint8_t>(data.size() >> 8), static_cast<std::uint8_t>(data.size())});
        apdu.insert(apdu.end(), data.begin(), data.end());
        apdu.insert(apdu.end(), {0x00, 0x00});
    }
    return finish(call(apdu, parseTransparentExchange, "exchanging a frame", timeout + kExchangeMargin), answer);
}

TransceiveStatus PcscTransport::pn53xPoll(std::span<const std::uint8_t> command, std::vector<std::uint8_t>& answer) {
    // InListPassiveTarget at 212 kbit/s (BrTy 01), then 424 (02), the rate
    // that found the card last first; the polling body follows without LEN.
    for (int i = 0; i < 2; ++i) {
        const int rate = (preferredRate_ + i) % 2;
        std::vector<std::uint8_t> apdu = {0xFF, 0x00, 0x00, 0x00, 0x09, 0xD4, 0x4A, 0x01,
                                          static_cast<std::uint8_t>(rate + 1)};
        apdu.insert(apdu.end(), command.begin() + 1, command.end());
        Reply r = call(apdu, parsePn53xPoll, "polling", kExchangeMargin);
        rfReady_ = connected_;
        if (r.status == TransceiveStatus::NoAnswer) {
            if (!connected_) return TransceiveStatus::NoAnswer;
            continue;
        }
        if (r.status == TransceiveStatus::Ok) {
            preferredRate_ = rate;
            if (r.frame.size() >= 18) {
                Pmm pmm{};
                std::copy(r.frame.begin() + 10, r.frame.begin() + 18, pmm.begin());
                cardWait_ = longestCommandTime(pmm);
            }
        }
        return finish(std::move(r), answer);
    }
    return TransceiveStatus::NoAnswer;
}

}  // namespace felica
