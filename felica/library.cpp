// The FeliCa library's functions over a transport.
#include "felica.h"
#include "frames.h"
#include "library_control.h"

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>

namespace felica {
namespace {

constexpr const char* kVersionText = "Kuvora FeliCa Library 1.9.0";
constexpr const char* kCopyrightText = "Copyright (C) 2026 the Kuvora developers";

using Clock = std::chrono::steady_clock;

using SystemCode = std::array<std::uint8_t, 2>;

// What the library learnt about the card in the field: whether one is there,
// which systems it has, the polling answers of the systems polled and the key
// versions of the services asked about. Detection asks the same card for
// system after system; those questions are answered from here while the card
// keeps answering and the device stays open, so a read needs a handful of
// commands instead of three polls for every absent system.
struct CardPresence {
    bool known = false;
    Clock::time_point heard;
    bool systemsKnown = false;
    std::vector<SystemCode> systems;
    std::map<SystemCode, PollingAnswer> answers;  // systems really polled
    bool hasCurrent = false;
    SystemCode current{};  // the system the card was last polled into
    std::map<std::pair<Idm, std::uint16_t>, std::uint16_t> keyVersions;
};

struct Library {
    std::recursive_mutex mutex;
    int initCount = 0;
    std::string readerName = "auto";
    TransportFactory factory;
    std::unique_ptr<Transport> transport;
    // The transport was kept from an earlier open and has not answered since.
    bool transportUntried = false;
    // A DeviceGone since the open: the transport is not kept.
    bool transportFailed = false;
    // Why a kept device that failed could not be opened again.
    std::string reopenError;

    // A device kept between a close and the next open, and the reader name
    // it was opened for. The keeper thread releases it after `idleRelease`.
    std::unique_ptr<Transport> kept;
    std::string keptName;
    Clock::time_point keptSince;
    std::chrono::milliseconds idleRelease{1500};
    std::thread keeper;
    std::condition_variable_any keeperWake;
    bool keeperStop = false;
    bool keeperIdle = false;  // the keeper waits for a device to keep, not for a time
    int retryCount = 0;
    bool checkIdm = false;
    int lastError = FELICA_ERROR_NONE;
    std::string detail;
    // Why the last attempt to reach a card failed; kept past later
    // successes (closing the reader) until a card answers a poll.
    std::string noCard;
    Pmm pmm{};  // PMm of the last poll, for response time limits
    // Most blocks the card accepted in one read since the reader was opened.
    std::size_t blocksPerRead = 12;
    LibraryCounters counters;
    CardPresence presence;
    CardSeen cardSeen;
    bool cardCache = true;
    std::chrono::milliseconds presenceWindow{2000};

    ~Library();
};

// Releases the kept device once it has been idle long enough, so that other
// programs can use the reader. Runs while the library holds a device.
void keeperLoop(Library* l) {
    std::unique_lock lock(l->mutex);
    while (!l->keeperStop) {
        if (!l->kept) {
            l->keeperIdle = true;
            l->keeperWake.wait(lock);
            l->keeperIdle = false;
            continue;
        }
        const auto deadline = l->keptSince + l->idleRelease;
        if (Clock::now() >= deadline) {
            l->kept.reset();
            continue;
        }
        l->keeperWake.wait_until(lock, deadline);
    }
}

// Takes the keeper thread down; called without the lock held.
void stopKeeper(Library& l) {
    std::thread t;
    {
        std::lock_guard lock(l.mutex);
        l.keeperStop = true;
        t = std::move(l.keeper);
    }
    l.keeperWake.notify_all();
    if (t.joinable()) t.join();
    std::lock_guard lock(l.mutex);
    l.keeperStop = false;
}

Library::~Library() {
    stopKeeper(*this);
    kept.reset();
    transport.reset();
}

Library& lib() {
    static Library instance;
    return instance;
}

FelicaBool fail(int error, std::string detail) {
    lib().lastError = error;
    lib().noCard = error == FELICA_ERROR_READER_NOT_FOUND ? "the reader/writer could not be opened: " + detail : detail;
    lib().detail = std::move(detail);
    return 0;
}

FelicaBool succeed() {
    lib().lastError = FELICA_ERROR_NONE;
    lib().detail.clear();
    return 1;
}

std::string hex2(const std::uint8_t* b) {
    return toHex(std::span<const std::uint8_t>(b, 2));
}

int decodeFailure(DecodeError e) {
    switch (e) {
    case DecodeError::IdmMismatch: return FELICA_ERROR_IDM_MISMATCH;
    case DecodeError::Status: return FELICA_ERROR_CARD_STATUS;
    default: return FELICA_ERROR_MALFORMED_ANSWER;
    }
}

std::unique_ptr<Transport> makeTransport(std::string& error) {
    Library& l = lib();
    auto t = l.factory ? l.factory(l.readerName, error) : openTransport(l.readerName, error);
    if (t) ++l.counters.transportsOpened;
    l.presence = {};  // a new device knows nothing of the card in its field
    return t;
}

// Sends one frame, repeating it while the card stays silent.
TransceiveStatus exchange(const Bytes& frame, std::chrono::milliseconds timeout, Bytes& answer) {
    Library& l = lib();
    TransceiveStatus status = TransceiveStatus::NoAnswer;
    for (int attempt = 0; attempt <= l.retryCount; ++attempt) {
        ++l.counters.commandsSent;
        status = l.transport->transceive(frame, answer, timeout);
        if (status == TransceiveStatus::DeviceGone && l.transportUntried) {
            // The kept device went away while it waited (unplugged and
            // plugged back, reset): open it afresh and send the frame again.
            // The old handle goes first, as closing it puts the chip to sleep.
            l.transportUntried = false;
            l.transport.reset();
            std::string error;
            l.transport = makeTransport(error);
            if (!l.transport) {
                l.reopenError = error;
                break;
            }
            ++l.counters.commandsSent;
            status = l.transport->transceive(frame, answer, timeout);
        }
        if (status != TransceiveStatus::DeviceGone) l.transportUntried = false;
        if (status != TransceiveStatus::NoAnswer) break;
    }
    if (status == TransceiveStatus::DeviceGone) l.transportFailed = true;
    if (status == TransceiveStatus::Ok) l.presence.heard = Clock::now();
    else l.presence = {};  // silence or a failed device: what was learnt may be stale
    return status;
}

FelicaBool failExchange(TransceiveStatus status, const char* what) {
    if (status == TransceiveStatus::DeviceGone) {
        std::string detail = std::string("the reader failed during ") + what;
        const std::string why = lib().transport ? lib().transport->failureDetail() : lib().reopenError;
        if (!why.empty()) detail += " (" + why + ")";
        return fail(FELICA_ERROR_DEVICE, detail);
    }
    return fail(FELICA_ERROR_NO_ANSWER, std::string("the card did not answer ") + what);
}

bool requireOpen() {
    if (lib().transport) return true;
    fail(FELICA_ERROR_READER_NOT_OPEN, "the reader/writer is not open");
    return false;
}

FelicaBool noCardFor(const SystemCode& sc) {
    return fail(FELICA_ERROR_NO_CARD, "no card on the reader answered polling for system " + hex2(sc.data()));
}

// Sends a polling frame; `requestCode` 1 asks for the system code too.
FelicaBool pollCard(const SystemCode& sc, std::uint8_t requestCode, std::uint8_t timeSlot, PollingAnswer& out) {
    const Bytes frame = encodePolling(sc, requestCode, timeSlot);
    // 3.6 ms plus 1.2 ms per extra slot on the air; the rest is the reader's.
    const auto timeout = std::chrono::milliseconds(20 + 2 * (timeSlot & 0x0F));
    Bytes answer;
    const TransceiveStatus status = exchange(frame, timeout, answer);
    if (status == TransceiveStatus::DeviceGone) return failExchange(status, "polling");
    if (status == TransceiveStatus::NoAnswer) return noCardFor(sc);
    // A card may leave the system code out although it was asked for.
    if (auto e = decodePolling(answer, 0, out); e != DecodeError::None)
        return fail(FELICA_ERROR_MALFORMED_ANSWER, std::string("polling: ") + decodeErrorText(e));
    lib().pmm = out.pmm;
    return 1;
}

// Learns which card is in the field and which system it answers in first:
// one wildcard poll. An empty field is not remembered, so that a card placed
// a moment later is found by the next poll.
FelicaBool learnPresence(const SystemCode& asked, std::uint8_t timeSlot = 0, PollingAnswer* answer = nullptr) {
    Library& l = lib();
    PollingAnswer first;
    if (!pollCard({0xFF, 0xFF}, 1, timeSlot, first)) {
        if (l.lastError == FELICA_ERROR_NO_CARD) return noCardFor(asked);
        return 0;
    }
    l.presence = {};
    l.presence.known = true;
    l.presence.heard = Clock::now();
    if (first.hasRequestData) {
        l.presence.answers[first.requestData] = first;
        l.presence.current = first.requestData;
        l.presence.hasCurrent = true;
    }
    if (answer) *answer = first;
    return 1;
}

// Asks the card which systems it has, once per presence.
bool learnSystems() {
    Library& l = lib();
    if (l.presence.systemsKnown) return true;
    if (l.presence.answers.empty()) return false;
    const PollingAnswer& first = l.presence.answers.begin()->second;
    Bytes answer;
    if (exchange(encodeRequestSystemCode(first.idm), responseTimeout(first.pmm[3], 0), answer) !=
        TransceiveStatus::Ok)
        return false;
    std::vector<SystemCode> codes;
    if (decodeRequestSystemCode(answer, first.idm, codes) != DecodeError::None) return false;
    l.presence.systems = std::move(codes);
    l.presence.systemsKnown = true;
    return true;
}

// Polls for the system named in `polling`; fills `out` on success.
// `cached` tells whether the answer came from what was learnt earlier.
FelicaBool pollSystem(const PollingRecord* polling, PollingAnswer& out, bool* cached) {
    if (cached) *cached = false;
    if (!polling || !polling->systemCode)
        return fail(FELICA_ERROR_INVALID_ARGUMENT, "polling record without a system code");
    if (!requireOpen()) return 0;
    Library& l = lib();
    const SystemCode sc{polling->systemCode[0], polling->systemCode[1]};
    // A wildcard poll always goes to the card: it is how callers look for one.
    // It asks for the system code too, so that the card it finds is known
    // as if the read that follows had polled for it.
    const bool concrete = sc[0] != 0xFF && sc[1] != 0xFF;
    if (l.cardCache && sc[0] == 0xFF && sc[1] == 0xFF) return learnPresence(sc, polling->timeSlot, &out);
    if (!l.cardCache || !concrete) return pollCard(sc, 0, polling->timeSlot, out);
    if (l.presence.known && Clock::now() - l.presence.heard > l.presenceWindow) l.presence = {};
    if (!l.presence.known && !learnPresence(sc)) return 0;
    const auto seen = l.presence.answers.find(sc);
    if (seen != l.presence.answers.end() && l.presence.hasCurrent && l.presence.current == sc) {
        out = seen->second;
        l.pmm = out.pmm;
        if (cached) *cached = true;
        return 1;
    }
    if (seen == l.presence.answers.end() && learnSystems() &&
        std::find(l.presence.systems.begin(), l.presence.systems.end(), sc) == l.presence.systems.end())
        return noCardFor(sc);
    // A system the card has, or one it could not tell: poll it for real, which
    // also moves the card into that system.
    if (!pollCard(sc, 0, polling->timeSlot, out)) return 0;
    l.presence.heard = Clock::now();
    l.presence.answers[sc] = out;
    l.presence.current = sc;
    l.presence.hasCurrent = true;
    return 1;
}

// A card that answers has been reached: no reason is left for not reaching one.
FelicaBool poll(const PollingRecord* polling, PollingAnswer& out, bool* cached = nullptr) {
    if (!pollSystem(polling, out, cached)) return 0;
    lib().noCard.clear();
    if (polling->systemCode[0] == 0xFF && polling->systemCode[1] == 0xFF) {
        ++lib().cardSeen.count;
        lib().cardSeen.idm = out.idm;
    }
    return 1;
}

void writeCard(CardRecord* card, const PollingAnswer& a) {
    if (!card) return;
    if (card->idm) std::memcpy(card->idm, a.idm.data(), 8);
    if (card->pmm) std::memcpy(card->pmm, a.pmm.data(), 8);
}

Idm idmFrom(const std::uint8_t* p) {
    Idm idm{};
    std::memcpy(idm.data(), p, 8);
    return idm;
}

// The next smaller read to try after a card refused `k` blocks at once:
// chips take 12, 8 or 4 blocks, rarely other counts, so those are tried
// first, then halves.
std::size_t fewerBlocks(std::size_t k) {
    if (k > 8) return 8;
    if (k > 4) return 4;
    return std::max<std::size_t>(1, k / 2);
}

// Reads `elements` in as many commands as the card needs.
FelicaBool readBlocks(const Idm& idm, const std::vector<std::uint16_t>& services,
                      const std::vector<BlockElement>& elements, std::vector<Block>& out,
                      std::uint8_t& sf1, std::uint8_t& sf2) {
    Library& l = lib();
    std::size_t pos = 0;
    while (pos < elements.size()) {
        const std::size_t k = std::min({l.blocksPerRead, kMaxBlocksPerFrame, elements.size() - pos});
        const std::span<const BlockElement> chunk(elements.data() + pos, k);
        const Bytes frame = encodeReadWithoutEncryption(idm, services, chunk);
        Bytes answer;
        const TransceiveStatus status = exchange(frame, responseTimeout(l.pmm[5], k), answer);
        if (status == TransceiveStatus::DeviceGone) return failExchange(status, "a read");
        ReadAnswer read;
        DecodeError e = DecodeError::Empty;
        if (status == TransceiveStatus::Ok) e = decodeReadWithoutEncryption(answer, idm, k, read);
        sf1 = read.statusFlag1;
        sf2 = read.statusFlag2;
        if (e == DecodeError::None) {
            out.insert(out.end(), read.blocks.begin(), read.blocks.end());
            pos += k;
            continue;
        }
        // Some cards refuse, or ignore, a read of more blocks than they take
        // at once; those get the read in smaller pieces.
        const bool tooMany = e == DecodeError::Status && (sf2 == 0xA1 || sf2 == 0xA2);
        if (k > 1 && (tooMany || e == DecodeError::Empty)) {
            if (e == DecodeError::Empty) {
                // Silence may also mean the card is gone: ask for one block.
                const Bytes single = encodeReadWithoutEncryption(idm, services, chunk.first(1));
                Bytes probe;
                ReadAnswer one;
                const TransceiveStatus s = exchange(single, responseTimeout(l.pmm[5], 1), probe);
                if (s != TransceiveStatus::Ok) return failExchange(s, "a read");
                if (decodeReadWithoutEncryption(probe, idm, 1, one) != DecodeError::None) {
                    sf1 = one.statusFlag1;
                    sf2 = one.statusFlag2;
                    return fail(FELICA_ERROR_CARD_STATUS, "the card refused a read of one block");
                }
            }
            l.blocksPerRead = fewerBlocks(k);
            continue;
        }
        if (status == TransceiveStatus::NoAnswer) return failExchange(status, "a read");
        if (e == DecodeError::Status) {
            char text[96];
            std::snprintf(text, sizeof text, "the card refused the read (status %02X %02X)", sf1, sf2);
            return fail(FELICA_ERROR_CARD_STATUS, text);
        }
        return fail(decodeFailure(e), std::string("read: ") + decodeErrorText(e));
    }
    return 1;
}

}  // namespace

std::string lastErrorDetail() {
    std::lock_guard lock(lib().mutex);
    return lib().detail;
}

std::string noCardReason() {
    std::lock_guard lock(lib().mutex);
    return lib().noCard;
}

std::string readerName() {
    std::lock_guard lock(lib().mutex);
    return lib().readerName;
}

CardSeen lastCardSeen() {
    std::lock_guard lock(lib().mutex);
    return lib().cardSeen;
}

LibraryCounters counters() {
    std::lock_guard lock(lib().mutex);
    return lib().counters;
}

void resetCounters() {
    std::lock_guard lock(lib().mutex);
    lib().counters = {};
}

int initialisationCount() {
    std::lock_guard lock(lib().mutex);
    return lib().initCount;
}

bool readerOpen() {
    std::lock_guard lock(lib().mutex);
    return lib().transport != nullptr;
}

void setTransportFactory(TransportFactory factory) {
    std::lock_guard lock(lib().mutex);
    lib().factory = std::move(factory);
    lib().kept.reset();  // a kept device came from the old factory
}

void setCardCache(bool on) {
    std::lock_guard lock(lib().mutex);
    lib().cardCache = on;
    lib().presence = {};
}

void setPresenceWindow(std::chrono::milliseconds window) {
    std::lock_guard lock(lib().mutex);
    lib().presenceWindow = std::max(window, std::chrono::milliseconds(0));
}

std::size_t blocksPerRead() {
    std::lock_guard lock(lib().mutex);
    return lib().blocksPerRead;
}

void setBlocksPerRead(std::size_t blocks) {
    std::lock_guard lock(lib().mutex);
    lib().blocksPerRead = std::clamp<std::size_t>(blocks, 1, kMaxBlocksPerFrame);
}

void setIdleRelease(std::chrono::milliseconds idle) {
    std::lock_guard lock(lib().mutex);
    lib().idleRelease = std::max(idle, std::chrono::milliseconds(0));
    if (idle.count() <= 0) lib().kept.reset();
    lib().keeperWake.notify_all();
}

std::chrono::milliseconds idleRelease() {
    std::lock_guard lock(lib().mutex);
    return lib().idleRelease;
}

bool readerKept() {
    std::lock_guard lock(lib().mutex);
    return lib().kept != nullptr;
}

std::chrono::milliseconds responseTimeout(std::uint8_t b, std::size_t units) {
    // T x ((B + 1) n + (A + 1)) x 4^E with T = 256 x 16 / 13.56 MHz, plus
    // room for the reader and the host.
    const double t = 256.0 * 16.0 / 13.56e6 * 1000.0;
    const int e = b >> 6, bb = (b >> 3) & 7, a = b & 7;
    const double ms = t * ((bb + 1) * static_cast<double>(units) + (a + 1)) * static_cast<double>(1 << (2 * e));
    const auto whole = static_cast<long>(ms);  // rounded up, without libm
    return std::chrono::milliseconds(whole + (ms > static_cast<double>(whole) ? 1 : 0) + 50);
}

std::chrono::milliseconds longestCommandTime(const Pmm& pmm) {
    return std::max(responseTimeout(pmm[5], 12), responseTimeout(pmm[2], kMaxRequestNodes));
}

}  // namespace felica

using namespace felica;

FelicaBool initialize_library() {
    std::lock_guard lock(lib().mutex);
    ++lib().initCount;
    return succeed();
}

FelicaBool dispose_library() {
    Library& l = lib();
    {
        std::lock_guard lock(l.mutex);
        if (l.initCount == 0) return fail(FELICA_ERROR_NOT_INITIALIZED, "the library is not initialised");
        if (--l.initCount > 0) return succeed();
        l.transport.reset();
        l.kept.reset();
    }
    stopKeeper(l);
    std::lock_guard lock(l.mutex);
    return succeed();
}

FelicaBool set_reader_writer_name(const char* name) {
    std::lock_guard lock(lib().mutex);
    if (!name || !*name) return fail(FELICA_ERROR_INVALID_ARGUMENT, "empty reader name");
    lib().readerName = name;
    return succeed();
}

FelicaBool open_reader_writer_auto() {
    std::lock_guard lock(lib().mutex);
    Library& l = lib();
    if (l.initCount == 0) return fail(FELICA_ERROR_NOT_INITIALIZED, "the library is not initialised");
    if (l.transport) return succeed();
    l.transportFailed = false;
    if (l.kept && l.keptName == l.readerName && l.kept->healthy()) {
        l.transport = std::move(l.kept);
        l.transportUntried = true;
        ++l.counters.transportsReused;
        return succeed();
    }
    l.kept.reset();
    l.transportUntried = false;
    std::string error;
    l.transport = makeTransport(error);
    if (!l.transport) return fail(FELICA_ERROR_READER_NOT_FOUND, error);
    // A kept device keeps what it learnt about the card on it; a new one
    // starts afresh.
    l.blocksPerRead = 12;
    l.pmm = {};
    return succeed();
}

FelicaBool close_reader_writer() {
    std::lock_guard lock(lib().mutex);
    Library& l = lib();
    if (!l.transport) return succeed();
    if (l.initCount > 0 && l.idleRelease.count() > 0 && l.transport->reusable() && l.transport->healthy() &&
        !l.transportFailed) {
        // Kept for the next open; the keeper thread lets it go when idle.
        l.kept = std::move(l.transport);
        l.keptName = l.readerName;
        l.keptSince = Clock::now();
        // A card image holds no device: no thread is started to release it.
        // A keeper that waits for a time already wakes then and sees the
        // later one: it is woken only when it waits for a device, so that a
        // watch for cards polling many times a second does not wake it each
        // time.
        if (l.kept->holdsDevice()) {
            if (!l.keeper.joinable()) l.keeper = std::thread(keeperLoop, &l);
            if (l.keeperIdle) l.keeperWake.notify_all();
        }
    }
    l.transport.reset();
    return succeed();
}

FelicaBool set_retry_count(int count) {
    std::lock_guard lock(lib().mutex);
    if (count < 0 || count > 10) return fail(FELICA_ERROR_INVALID_ARGUMENT, "retry count out of range");
    lib().retryCount = count;
    return succeed();
}

FelicaBool set_check_idm_flag(int flag) {
    std::lock_guard lock(lib().mutex);
    lib().checkIdm = flag != 0;
    return succeed();
}

FelicaBool polling_and_get_card_information(PollingRecord* polling, std::uint8_t* cardCount,
                                            CardRecord* card) {
    std::lock_guard lock(lib().mutex);
    if (cardCount) *cardCount = 0;
    PollingAnswer a;
    if (!poll(polling, a)) return 0;
    writeCard(card, a);
    if (cardCount) *cardCount = 1;
    return succeed();
}

FelicaBool polling_and_request_service(PollingRecord* polling, RequestServiceRecord* request,
                                       CardRecord* card, RequestServiceResponse* response) {
    std::lock_guard lock(lib().mutex);
    if (!request || !request->serviceCodeList || request->serviceCount < 1 ||
        request->serviceCount > kMaxRequestNodes)
        return fail(FELICA_ERROR_INVALID_ARGUMENT, "request service: 1 to 32 nodes expected");
    if (!response || !response->serviceCount || !response->keyVersionList)
        return fail(FELICA_ERROR_INVALID_ARGUMENT, "request service: no answer buffers");
    std::vector<std::uint16_t> nodes;
    for (int i = 0; i < request->serviceCount; ++i)
        nodes.push_back(static_cast<std::uint16_t>(request->serviceCodeList[2 * i] |
                                                   request->serviceCodeList[2 * i + 1] << 8));
    Library& l = lib();
    PollingAnswer a;
    bool cached = false;
    std::vector<std::uint16_t> keys;
    for (;;) {
        if (!poll(polling, a, &cached)) return 0;
        if (l.checkIdm && request->idm && std::memcmp(request->idm, a.idm.data(), 8) != 0)
            return fail(FELICA_ERROR_IDM_MISMATCH, "another card lies on the reader");
        writeCard(card, a);
        keys.clear();
        for (std::uint16_t node : nodes) {
            const auto known = l.presence.keyVersions.find({a.idm, node});
            if (!cached || known == l.presence.keyVersions.end()) break;
            keys.push_back(known->second);
        }
        if (keys.size() == nodes.size()) break;
        keys.clear();
        const Bytes frame = encodeRequestService(a.idm, nodes);
        Bytes answer;
        const auto status = exchange(frame, responseTimeout(a.pmm[2], nodes.size()), answer);
        // The card polled from memory may have been exchanged since: look
        // again for the card in the field and ask that one.
        if (status == TransceiveStatus::NoAnswer && cached) continue;
        if (status != TransceiveStatus::Ok) return failExchange(status, "request service");
        if (auto e = decodeRequestService(answer, a.idm, nodes.size(), keys); e != DecodeError::None)
            return fail(decodeFailure(e), std::string("request service: ") + decodeErrorText(e));
        for (std::size_t i = 0; i < keys.size(); ++i) l.presence.keyVersions[{a.idm, nodes[i]}] = keys[i];
        break;
    }
    *response->serviceCount = static_cast<std::uint8_t>(keys.size());
    for (std::size_t i = 0; i < keys.size(); ++i) {
        response->keyVersionList[2 * i] = static_cast<std::uint8_t>(keys[i] & 0xFF);
        response->keyVersionList[2 * i + 1] = static_cast<std::uint8_t>(keys[i] >> 8);
    }
    return succeed();
}

FelicaBool read_block_without_encryption(ReadBlockRecord* request, ReadBlockResponse* response) {
    std::lock_guard lock(lib().mutex);
    if (!response || !response->blockCount || !response->blockData)
        return fail(FELICA_ERROR_INVALID_ARGUMENT, "read: no answer buffers");
    *response->blockCount = 0;
    if (!request || !request->idm || !request->serviceCodeList || !request->blockList ||
        request->serviceCount < 1 || request->serviceCount > kMaxReadServices ||
        request->blockCount < 1)
        return fail(FELICA_ERROR_INVALID_ARGUMENT, "read: 1 to 16 services and at least one block expected");
    if (!requireOpen()) return 0;
    std::vector<std::uint16_t> services;
    for (int i = 0; i < request->serviceCount; ++i)
        services.push_back(static_cast<std::uint16_t>(request->serviceCodeList[2 * i] |
                                                      request->serviceCodeList[2 * i + 1] << 8));
    std::vector<BlockElement> elements;
    for (int i = 0; i < request->blockCount; ++i) {
        const std::uint8_t head = request->blockList[2 * i];
        BlockElement el;
        el.serviceIndex = head & 0x0F;
        el.accessMode = (head >> 4) & 7;
        el.blockNumber = request->blockList[2 * i + 1];
        if (!(head & 0x80) || el.serviceIndex >= request->serviceCount)
            return fail(FELICA_ERROR_INVALID_ARGUMENT, "read: bad block list element");
        elements.push_back(el);
    }
    std::vector<Block> blocks;
    std::uint8_t sf1 = 0, sf2 = 0;
    const FelicaBool ok = readBlocks(idmFrom(request->idm), services, elements, blocks, sf1, sf2);
    if (response->statusFlag1) *response->statusFlag1 = sf1;
    if (response->statusFlag2) *response->statusFlag2 = sf2;
    if (!ok) return 0;
    for (std::size_t i = 0; i < blocks.size(); ++i)
        std::memcpy(response->blockData + 16 * i, blocks[i].data(), 16);
    *response->blockCount = static_cast<std::uint8_t>(blocks.size());
    return succeed();
}

FelicaBool polling_and_request_system_code(PollingRecord* polling, SystemCodeRequest* request,
                                           CardRecord* card, SystemCodeResponse* response) {
    std::lock_guard lock(lib().mutex);
    if (!response || !response->systemCodeList)
        return fail(FELICA_ERROR_INVALID_ARGUMENT, "request system code: no answer buffer");
    response->systemCodeCount = 0;
    PollingAnswer a;
    if (!poll(polling, a)) return 0;
    writeCard(card, a);
    if (request && request->idm) std::memcpy(request->idm, a.idm.data(), 8);
    Bytes answer;
    const auto status = exchange(encodeRequestSystemCode(a.idm), responseTimeout(a.pmm[3], 0), answer);
    if (status != TransceiveStatus::Ok) return failExchange(status, "request system code");
    std::vector<std::array<std::uint8_t, 2>> codes;
    if (auto e = decodeRequestSystemCode(answer, a.idm, codes); e != DecodeError::None)
        return fail(decodeFailure(e), std::string("request system code: ") + decodeErrorText(e));
    for (std::size_t i = 0; i < codes.size(); ++i) {
        response->systemCodeList[2 * i] = codes[i][0];
        response->systemCodeList[2 * i + 1] = codes[i][1];
    }
    response->systemCodeCount = static_cast<std::uint8_t>(codes.size());
    return succeed();
}

FelicaBool polling_and_search_service_code(PollingRecord* polling, SearchServiceRecord* search,
                                           CardRecord* card, SearchServiceResponse* response) {
    std::lock_guard lock(lib().mutex);
    if (!search || !response || !response->serviceCodeList || !response->areaCodeList ||
        !response->endCodeList)
        return fail(FELICA_ERROR_INVALID_ARGUMENT, "search service code: no answer buffers");
    response->serviceCount = 0;
    response->areaCount = 0;
    PollingAnswer a;
    if (!poll(polling, a)) return 0;
    writeCard(card, a);
    for (std::uint32_t index = search->startIndex;; ++index) {
        if (index > 0xFFFF)
            return fail(FELICA_ERROR_MALFORMED_ANSWER, "search service code: the list never ends");
        Bytes answer;
        const auto status = exchange(encodeSearchServiceCode(a.idm, static_cast<std::uint16_t>(index)),
                                     responseTimeout(a.pmm[3], 0), answer);
        if (status != TransceiveStatus::Ok) return failExchange(status, "search service code");
        SearchAnswer s;
        if (auto e = decodeSearchServiceCode(answer, a.idm, s); e != DecodeError::None)
            return fail(decodeFailure(e), std::string("search service code: ") + decodeErrorText(e));
        if (s.kind == SearchAnswer::Kind::End) break;
        if (s.kind == SearchAnswer::Kind::Service) {
            const std::uint32_t n = response->serviceCount;
            if (2 * (n + 1) > search->serviceBufferSize)
                return fail(FELICA_ERROR_BUFFER_TOO_SMALL, "search service code: service list full");
            response->serviceCodeList[2 * n] = static_cast<std::uint8_t>(s.code & 0xFF);
            response->serviceCodeList[2 * n + 1] = static_cast<std::uint8_t>(s.code >> 8);
            response->serviceCount = n + 1;
        } else {
            const std::uint32_t n = response->areaCount;
            if (2 * (n + 1) > search->areaBufferSize)
                return fail(FELICA_ERROR_BUFFER_TOO_SMALL, "search service code: area list full");
            response->areaCodeList[2 * n] = static_cast<std::uint8_t>(s.code & 0xFF);
            response->areaCodeList[2 * n + 1] = static_cast<std::uint8_t>(s.code >> 8);
            response->endCodeList[2 * n] = static_cast<std::uint8_t>(s.endCode & 0xFF);
            response->endCodeList[2 * n + 1] = static_cast<std::uint8_t>(s.endCode >> 8);
            response->areaCount = n + 1;
        }
    }
    return succeed();
}

FelicaBool get_last_error_type(int* error) {
    std::lock_guard lock(lib().mutex);
    if (!error) return 0;
    *error = lib().lastError;
    return 1;
}

FelicaBool get_version_information(char* buffer) {
    if (!buffer) return 0;
    std::snprintf(buffer, 256, "%s", kVersionText);
    return 1;
}

FelicaBool get_copyright_information(char* buffer) {
    if (!buffer) return 0;
    std::snprintf(buffer, 256, "%s", kCopyrightText);
    return 1;
}
