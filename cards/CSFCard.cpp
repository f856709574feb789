#include "CSFCard.h"

#include "CardTypes.h"
#include "MessageSink.h"
#include "felica.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr int kMsgReaderNotFound = 1028;
constexpr int kMsgReadFailed = 1040;
constexpr int kMsgNoCard = 1101;

const std::uint8_t kZeroBlock[16] = {};

// Closes the reader when a reading procedure leaves, whichever way.
struct ReaderSession {
    ReaderSession() = default;
    ReaderSession(const ReaderSession&) = delete;
    ReaderSession& operator=(const ReaderSession&) = delete;
    ~ReaderSession() { close_reader_writer(); }
};

}  // namespace

CSFCard::CSFCard()
    : m_nSystemCode(0xFFFF),
      m_nHistoryService(0),
      m_nHistoryBlocks(0),
      m_pHistory(nullptr),
      m_nCardInfoService(0),
      m_nCardInfoBlocks(0),
      m_pCardInfo(nullptr),
      m_nIssuerKind(0),
      m_nTicketBarrierLogService(0),
      m_pTicketBarrierLog(nullptr),
      m_nTradeFlags(0) {
    std::memset(m_IDm, 0, sizeof m_IDm);
    std::memset(m_PMm, 0, sizeof m_PMm);
    std::memset(m_KeyVersion, 0xFF, sizeof m_KeyVersion);
}

CSFCard::~CSFCard() = default;

void CSFCard::ApplyCardType(const CardTypeInfo& type) {
    m_nSystemCode = type.hasSystemCode ? (type.systemCode[0] | type.systemCode[1] << 8) : 0xFFFF;
    m_nHistoryService = type.historyService;
    m_nHistoryBlocks = std::min(type.historyBlocks, kMaxHistoryBlocks);
    m_nTicketBarrierLogService = type.ticketBarrierLogService;
    m_nCardInfoService = type.cardInfoService;
    m_nCardInfoBlocks = std::min(type.cardInfoBlocks, kMaxCardInfoBlocks);
    m_nIssuerKind = type.issuerKind;
}

void CSFCard::AttachHistoryBuffer(std::uint8_t* buffer, std::size_t bytes) {
    m_pHistory = buffer;
    m_nHistoryCapacity = buffer ? bytes : 0;
}

void CSFCard::AttachCardInfoBuffer(std::uint8_t* buffer, std::size_t bytes) {
    m_pCardInfo = buffer;
    m_nCardInfoCapacity = buffer ? bytes : 0;
}

void CSFCard::AttachTicketBarrierLogBuffer(std::uint8_t* buffer, std::size_t bytes) {
    m_pTicketBarrierLog = buffer;
    m_nTicketBarrierLogCapacity = buffer ? bytes : 0;
}

const std::uint8_t* CSFCard::HistoryBlock(int row) const {
    if (!m_pHistory || row < 0 || static_cast<std::size_t>(row + 1) * 16 > m_nHistoryCapacity)
        return kZeroBlock;
    return m_pHistory + 16 * row;
}

const std::uint8_t* CSFCard::TicketBarrierLogBlock(int row) const {
    if (!m_pTicketBarrierLog || row < 0 ||
        static_cast<std::size_t>(row + 1) * 16 > m_nTicketBarrierLogCapacity)
        return kZeroBlock;
    return m_pTicketBarrierLog + 16 * row;
}

std::uint8_t CSFCard::SystemCodeByte(int i) const {
    // The first transmitted byte is held in the low byte.
    return static_cast<std::uint8_t>(i == 0 ? (m_nSystemCode & 0xFF) : ((m_nSystemCode >> 8) & 0xFF));
}

bool CSFCard::ReadBlocks(int service, int blocks, std::uint8_t* into, std::size_t capacity) {
    blocks = std::min({blocks, kMaxHistoryBlocks, static_cast<int>(capacity / 16)});
    if (blocks <= 0) return true;
    std::uint8_t serviceCode[2] = {static_cast<std::uint8_t>(service & 0xFF),
                                   static_cast<std::uint8_t>((service >> 8) & 0xFF)};
    std::uint8_t blockList[2 * kMaxHistoryBlocks];
    for (int i = 0; i < kMaxHistoryBlocks; ++i) {
        blockList[2 * i] = 0x80;
        blockList[2 * i + 1] = static_cast<std::uint8_t>(i);
    }
    ReadBlockRecord request{m_IDm, 1, serviceCode, static_cast<std::uint8_t>(blocks), blockList};
    std::uint8_t status1 = 0, status2 = 0, count = 0;
    ReadBlockResponse response{&status1, &status2, &count, into};
    return read_block_without_encryption(&request, &response) != 0;
}

int CSFCard::GetSystemCode() { return m_nSystemCode; }
int CSFCard::GetHistoryServiceCode() { return m_nHistoryService; }
int CSFCard::GetHistoryCount() { return m_nHistoryBlocks; }

std::uint8_t CSFCard::GetHistoryData(int pos) {
    if (!m_pHistory || pos < 0 || static_cast<std::size_t>(pos) >= m_nHistoryCapacity) return 0;
    return m_pHistory[pos];
}

std::uint8_t CSFCard::GetIDm(int i) { return i >= 0 && i < 8 ? m_IDm[i] : 0; }
std::uint8_t CSFCard::GetPMm(int i) { return i >= 0 && i < 8 ? m_PMm[i] : 0; }

bool CSFCard::ReadHistory() {
    if (m_nHistoryService == 0) return true;
    if (!open_reader_writer_auto()) {
        ShowMessage(kMsgReaderNotFound);
        return false;
    }
    ReaderSession session;
    set_check_idm_flag(0);
    set_retry_count(2);
    std::uint8_t systemCode[2] = {SystemCodeByte(0), SystemCodeByte(1)};
    PollingRecord polling{systemCode, 0};
    std::uint8_t probes[2 * kProbeServiceCount];
    for (int i = 0; i < kProbeServiceCount; ++i) {
        probes[2 * i] = static_cast<std::uint8_t>(kProbeServices[i] & 0xFF);
        probes[2 * i + 1] = static_cast<std::uint8_t>(kProbeServices[i] >> 8);
    }
    RequestServiceRecord request{m_IDm, kProbeServiceCount, probes};
    std::uint8_t answered = 0;
    RequestServiceResponse response{&answered, &m_KeyVersion[0][0]};
    CardRecord card{m_IDm, m_PMm};
    if (!polling_and_request_service(&polling, &request, &card, &response)) {
        ShowMessage(kMsgNoCard);
        return false;
    }
    m_nIssuerKind = GetIssuerKind();
    set_check_idm_flag(1);
    if (!ReadBlocks(m_nHistoryService, m_nHistoryBlocks, m_pHistory, m_nHistoryCapacity)) {
        ShowMessage(kMsgReadFailed);
        return false;
    }
    return true;
}

bool CSFCard::DetectCard() {
    if (m_nSystemCode == 0xFFFF) return false;
    if (!open_reader_writer_auto()) {
        ShowMessage(kMsgReaderNotFound);
        return false;
    }
    ReaderSession session;
    set_retry_count(2);
    std::uint8_t systemCode[2] = {SystemCodeByte(0), SystemCodeByte(1)};
    PollingRecord polling{systemCode, 0};
    std::uint8_t scratchPmm[8] = {};
    CardRecord card{m_IDm, scratchPmm};
    std::uint8_t cardCount = 0;
    const bool polled = polling_and_get_card_information(&polling, &cardCount, &card) != 0;
    if (systemCode[0] != 0xFE || systemCode[1] != 0x00) return polled;
    // The common area is shared by several card types: only the one whose
    // history service exists is this class's card.
    if (!polled || cardCount < 1) return false;
    // The class's own history service first; in the same command the
    // history services of the other common-area types and the probe
    // services the read asks next, so that the library answers those
    // questions from what this one learnt instead of asking the card again.
    std::vector<int> nodes = {m_nHistoryService};
    for (const CardTypeInfo& type : CardTypeTable())
        if (type.hasSystemCode && type.systemCode[0] == 0xFE && type.systemCode[1] == 0x00 &&
            type.historyService != 0 &&
            std::find(nodes.begin(), nodes.end(), type.historyService) == nodes.end())
            nodes.push_back(type.historyService);
    for (std::uint16_t probe : kProbeServices)
        if (std::find(nodes.begin(), nodes.end(), probe) == nodes.end()) nodes.push_back(probe);
    nodes.resize(std::min<std::size_t>(nodes.size(), 32));  // the most one command takes
    std::vector<std::uint8_t> list, keys(2 * nodes.size(), 0xFF);
    for (int node : nodes) {
        list.push_back(static_cast<std::uint8_t>(node & 0xFF));
        list.push_back(static_cast<std::uint8_t>((node >> 8) & 0xFF));
    }
    RequestServiceRecord request{m_IDm, static_cast<std::uint8_t>(nodes.size()), list.data()};
    std::uint8_t answered = 0;
    RequestServiceResponse response{&answered, keys.data()};
    if (!polling_and_request_service(&polling, &request, &card, &response)) return false;
    m_KeyVersion[0][0] = keys[0];
    m_KeyVersion[0][1] = keys[1];
    return m_KeyVersion[0][0] != 0xFF;
}

int CSFCard::GetTicketBarrierLogServiceCode() { return m_nTicketBarrierLogService; }

bool CSFCard::ReadTicketBarrierLog() {
    return ReadWithStoredIdm(m_nTicketBarrierLogService, kTicketBarrierLogBlocks, m_pTicketBarrierLog,
                             m_nTicketBarrierLogCapacity);
}

bool CSFCard::ReadWithStoredIdm(int service, int blocks, std::uint8_t* into, std::size_t capacity) {
    if (service == 0) return true;
    if (!open_reader_writer_auto()) {
        ShowMessage(kMsgReaderNotFound);
        return false;
    }
    ReaderSession session;
    if (!ReadBlocks(service, blocks, into, capacity)) {
        ShowMessage(kMsgReadFailed);
        return false;
    }
    return true;
}

std::uint8_t CSFCard::GetTicketBarrierLogData(int pos) {
    if (!m_pTicketBarrierLog || pos < 0 || static_cast<std::size_t>(pos) >= m_nTicketBarrierLogCapacity)
        return 0;
    return m_pTicketBarrierLog[pos];
}

int CSFCard::GetCardInfoBlockCount() { return m_nCardInfoBlocks; }

QString CSFCard::GetCardNumber() {
    if (!m_pCardInfo) return QString();
    QString s;
    const std::size_t bytes = std::min<std::size_t>(16 * std::max(m_nCardInfoBlocks, 0), m_nCardInfoCapacity);
    for (std::size_t i = 0; i < bytes; ++i) s += QString::asprintf("%02X", m_pCardInfo[i]);
    return s;
}

bool CSFCard::ReadCardInfo() {
    return ReadWithStoredIdm(m_nCardInfoService, std::min(m_nCardInfoBlocks, kMaxCardInfoBlocks), m_pCardInfo,
                             m_nCardInfoCapacity);
}

int CSFCard::GetIssuerKind() {
    auto present = [this](int i) { return m_KeyVersion[i][0] != 0xFF || m_KeyVersion[i][1] != 0xFF; };
    // Probe order: 0x1848, 0x1A48, 0x1B88, 0x324C, 0x1CC8, 0x3388.
    if (present(4)) return 6;
    if (present(0)) return 1;
    if (present(1)) return 2;
    if (present(2)) return 3;
    if (present(3)) return 4;
    if (present(5)) return 5;
    return 0;
}

QString CSFCard::GetTicketBarrierLogDateTime(int) { return QString(); }
QString CSFCard::GetTicketBarrierLogType(int) { return QString(); }
int CSFCard::GetTicketBarrierLogValue1(int) { return 0; }
QString CSFCard::GetTicketBarrierLogStation(int) { return QString(); }
int CSFCard::GetTicketBarrierLogValue2(int) { return 0; }
QString CSFCard::GetTicketBarrierLogNearStation(int) { return QString(); }
std::uint8_t CSFCard::GetTerminalCode(int) { return 0; }
QString CSFCard::GetTerminal(int) { return QString(); }
std::uint8_t CSFCard::GetTradeCode(int) { return 0; }

int CSFCard::GetTradeFlags(int row) {
    GetTrade(row);
    return m_nTradeFlags;
}

QString CSFCard::GetTrade(int) {
    m_nTradeFlags = 0;
    return QString();
}

int CSFCard::GetDateCode(int) { return 0; }
QString CSFCard::GetDate(int) { return QString(); }
int CSFCard::GetTimeCode(int) { return 0; }
QString CSFCard::GetTime(int) { return QString(); }
int CSFCard::GetDepartureLineCode(int) { return 0; }
QString CSFCard::GetDepartureCompany(int) { return QString(); }
QString CSFCard::GetDepartureLine(int) { return QString(); }
int CSFCard::GetDepartureStationCode(int) { return 0; }
QString CSFCard::GetDepartureStation(int) { return QString(); }
int CSFCard::GetArrivalLineCode(int) { return 0; }
QString CSFCard::GetArrivalCompany(int) { return QString(); }
QString CSFCard::GetArrivalLine(int) { return QString(); }
int CSFCard::GetArrivalStationCode(int) { return 0; }
QString CSFCard::GetArrivalStation(int) { return QString(); }
int CSFCard::GetBalance(int) { return 0; }
int CSFCard::GetCharge(int) { return 0; }
int CSFCard::GetPoint(int) { return 0; }
int CSFCard::GetPointBalance(int) { return 0; }
int CSFCard::GetSerial(int) { return 0; }
std::optional<NameKey> CSFCard::GetNameKey(int, NameSide) { return std::nullopt; }

bool CSFCard::IsEmptySlot(int row) { return IsZeroBlock(HistoryBlock(row)); }

bool CSFCard::IsZeroBlock(const std::uint8_t* block) {
    return std::all_of(block, block + 16, [](std::uint8_t b) { return b == 0; });
}

bool CSFCard::SetHistoryBlock(int row, const std::uint8_t* block) {
    if (!m_pHistory || row < 0 || static_cast<std::size_t>(row + 1) * 16 > m_nHistoryCapacity) return false;
    std::memcpy(m_pHistory + 16 * row, block, 16);
    return true;
}

bool CSFCard::SetTicketBarrierLogBlock(int row, const std::uint8_t* block) {
    if (!m_pTicketBarrierLog || row < 0 || static_cast<std::size_t>(row + 1) * 16 > m_nTicketBarrierLogCapacity)
        return false;
    std::memcpy(m_pTicketBarrierLog + 16 * row, block, 16);
    return true;
}

QString CSFCard::GetNote1(int) { return QString(); }
QString CSFCard::GetNote2(int) { return QString(); }

void CSFCard::DayNumberToDate(int n, int& year, int& month, int& day) {
    // Fliegel and Van Flandern; 64-bit so that no day number can overflow.
    long long l = static_cast<long long>(n) + 68569;
    const long long k = 4 * l / 146097;
    l -= (146097 * k + 3) / 4;
    const long long i = 4000 * (l + 1) / 1461001;
    l = l - 1461 * i / 4 + 31;
    const long long j = 80 * l / 2447;
    day = static_cast<int>(l - 2447 * j / 80);
    const long long m = j / 11;
    month = static_cast<int>(j + 2 - 12 * m);
    year = static_cast<int>(100 * (k - 49) + i + m);
}

QString HexOfBytes(const std::vector<std::uint8_t>& bytes, std::size_t first, std::size_t count) {
    if (bytes.size() < first + count) return QString();
    QString hex;
    for (std::size_t i = first; i < first + count; ++i) hex += QString::asprintf("%02X", bytes[i]);
    return hex;
}

namespace {

template <typename Char>
bool blockFromHex(const Char* hex, std::size_t size, std::uint8_t* block) {
    if (size != 32) return false;
    for (int i = 0; i < 32; ++i) {
        const auto c = static_cast<char16_t>(hex[i]);
        const int digit = c >= '0' && c <= '9'   ? c - '0'
                          : c >= 'a' && c <= 'f' ? c - 'a' + 10
                          : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                 : -1;
        if (digit < 0) return false;
        block[i / 2] = static_cast<std::uint8_t>(i % 2 ? block[i / 2] << 4 | digit : digit);
    }
    return true;
}

}  // namespace

bool BlockFromHex(QStringView hex, std::uint8_t* block) {
    return blockFromHex(hex.utf16(), static_cast<std::size_t>(hex.size()), block);
}

bool BlockFromHex(std::string_view hex, std::uint8_t* block) {
    return blockFromHex(reinterpret_cast<const unsigned char*>(hex.data()), hex.size(), block);
}
