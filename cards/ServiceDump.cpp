#include "ServiceDump.h"

#include "CSFCard.h"
#include "felica.h"
#include "library_control.h"

#include <QFile>

#include <iconv.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <functional>
#include <string>

namespace {

constexpr int kMaxProbeBlocks = 40;
// What common FeliCa chips take in one read; the library splits a read the
// card refuses as too long.
constexpr int kFastProbeChunk = 12;
constexpr std::uint32_t kListBytes = 512;
constexpr int kFirstDayNumber = 2451545;  // 2000-01-01

enum class Dumped { No, Plain, Purse };

struct Attribute {
    const char* text;
    Dumped blocks;
};

Attribute attributeOf(int attribute) {
    switch (attribute) {
    case 0: return {"Area\n", Dumped::No};
    case 1: return {"Area*\n", Dumped::No};
    case 8: return {"Random (Read/Write)\n", Dumped::No};
    case 9: return {"Random (Read/Write) : without security\n", Dumped::Plain};
    case 10: return {"Random (Readonly)\n", Dumped::No};
    case 11: return {"Random (Readonly) : without security\n", Dumped::Plain};
    case 12: return {"Cyclic (Read/Write)\n", Dumped::No};
    case 13: return {"Cyclic (Read/Write) : without security\n", Dumped::Plain};
    case 14: return {"Cyclic (Readonly)\n", Dumped::No};
    case 15: return {"Cyclic (Readonly) : without security\n", Dumped::Plain};
    case 16: return {"Purse (Direct)\n", Dumped::No};
    case 17: return {"Purse (Direct) : without security\n", Dumped::Purse};
    case 18: return {"Purse (Cacheback/Decriment)\n", Dumped::No};
    case 19: return {"Purse (Cacheback/Decriment) : without security\n", Dumped::Purse};
    case 20: return {"Purse (Decriment)\n", Dumped::No};
    case 21: return {"Purse (Decriment) : without security\n", Dumped::Purse};
    case 22: return {"Purse (Readonly)\n", Dumped::No};
    case 23: return {"Purse (Readonly) : without security\n", Dumped::Purse};
    case 40: return {"Pin (Read/Write)\n", Dumped::No};
    case 41: return {"Pin (Read/Write) : without security\n", Dumped::No};
    case 42: return {"Pin (Readonly)\n", Dumped::No};
    case 43: return {"Pin (Readonly) : without security\n", Dumped::No};
    default: return {"\n", Dumped::No};
    }
}

void appendf(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));
void appendf(std::string& out, const char* format, ...) {
    char line[256];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (n > 0) out.append(line, std::min<std::size_t>(static_cast<std::size_t>(n), sizeof line - 1));
}

// The text in CP932 (what the Japanese systems write as Shift_JIS). Every
// character the dump writes exists there.
QByteArray toCp932(const std::string& utf8) {
    QByteArray out;
    iconv_t cd = iconv_open("CP932", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) return out;
    out.resize(static_cast<qsizetype>(utf8.size()) + 16);
    char* in = const_cast<char*>(utf8.data());
    std::size_t inLeft = utf8.size();
    char* to = out.data();
    std::size_t toLeft = static_cast<std::size_t>(out.size());
    const std::size_t r = iconv(cd, &in, &inLeft, &to, &toLeft);
    iconv_close(cd);
    out.resize(r == static_cast<std::size_t>(-1) ? 0 : out.size() - static_cast<qsizetype>(toLeft));
    return out;
}

// One Read Without Encryption of blocks first .. first + n - 1 of `service`
// into their places in `buffer`; `count` gets the block count the library
// reports (0 after a failure).
bool readRange(std::uint8_t* idm, std::uint16_t service, int first, int n, std::uint8_t* buffer,
               std::uint8_t& count) {
    std::uint8_t code[2] = {static_cast<std::uint8_t>(service & 0xFF), static_cast<std::uint8_t>(service >> 8)};
    std::uint8_t list[2 * kMaxProbeBlocks];
    for (int i = 0; i < n; ++i) {
        list[2 * i] = 0x80;
        list[2 * i + 1] = static_cast<std::uint8_t>(first + i);
    }
    ReadBlockRecord request{idm, 1, code, static_cast<std::uint8_t>(n), list};
    std::uint8_t status1 = 0, status2 = 0;
    count = 0;
    ReadBlockResponse response{&status1, &status2, &count, buffer + 16 * first};
    return read_block_without_encryption(&request, &response) != 0;
}

int naiveProbe(std::uint8_t* idm, std::uint16_t service, std::uint8_t* buffer) {
    std::uint8_t count = 0;
    for (int n = 1; n <= kMaxProbeBlocks; ++n) {
        if (readRange(idm, service, 0, n, buffer, count)) continue;
        if (n > 1) readRange(idm, service, 0, n - 1, buffer, count);
        break;
    }
    return count;
}

// The number of leading readable blocks (at most 40), as the naive probe
// finds it: whole chunks while they read, then a binary search for the first
// block that does not, reading only blocks not read yet.
int fastProbe(std::uint8_t* idm, std::uint16_t service, std::uint8_t* buffer) {
    std::uint8_t count = 0;
    int good = 0;
    while (good < kMaxProbeBlocks) {
        const int k = std::min(kFastProbeChunk, kMaxProbeBlocks - good);
        if (readRange(idm, service, good, k, buffer, count)) {
            good += k;
            continue;
        }
        // The first unreadable block lies in lo .. hi.
        int lo = good, hi = good + k - 1;
        if (lo == 0) {
            // Services that refuse every read are common: one block tells.
            if (!readRange(idm, service, 0, 1, buffer, count)) return 0;
            lo = 1;
        }
        while (lo < hi) {
            const int mid = (lo + hi + 1) / 2;
            if (readRange(idm, service, lo, mid - lo, buffer, count)) lo = mid;
            else hi = mid - 1;
        }
        return lo;
    }
    return good;
}

class Dump {
public:
    Dump(BlockProbe probe, std::string& out) : m_Probe(probe), m_Out(out) {}

    // Steps after the reader is open and the output made.
    ServiceDumpResult::Outcome Run() {
        std::uint8_t anyCard[2] = {0xFF, 0xFF};
        PollingRecord polling{anyCard, 0};
        SystemCodeRequest request{m_IDm};
        CardRecord card{m_IDm, m_PMm};
        SystemCodeResponse systems{0, m_SystemCodes};
        if (!polling_and_request_system_code(&polling, &request, &card, &systems))
            return ServiceDumpResult::Outcome::NoCard;
        WriteHeader(systems);
        for (int s = 0; s < systems.systemCodeCount; ++s)
            if (!DumpSystem(m_SystemCodes + 2 * s)) return ServiceDumpResult::Outcome::Stopped;
        return ServiceDumpResult::Outcome::Complete;
    }

    int probedServices = 0;
    std::size_t probeCommands = 0;

private:
    void WriteHeader(const SystemCodeResponse& systems) {
        m_Out += "製造ID(IDm) :";
        for (std::uint8_t b : m_IDm) appendf(m_Out, " %02x", b);
        m_Out += "\n";
        appendf(m_Out, "\t製造者コード(HEX) : %04x\n", m_IDm[1] * 256 + m_IDm[0]);
        appendf(m_Out, "\t製造機器コード(HEX) : %04x\n", m_IDm[3] * 256 + m_IDm[2]);
        int year = 0, month = 0, day = 0;
        CSFCard().DayNumberToDate(m_IDm[5] * 256 + m_IDm[4] + kFirstDayNumber, year, month, day);
        appendf(m_Out, "\t製造日付 : %d年%d月%d日\n", year, month, day);
        appendf(m_Out, "\t製造通番 : %d\n", m_IDm[7] * 256 + m_IDm[6]);
        m_Out += "発行ID(PMm) :";
        for (std::uint8_t b : m_PMm) appendf(m_Out, " %02x", b);
        m_Out += "\n";
        appendf(m_Out, "システムコードの数 : %d\n", systems.systemCodeCount);
        for (int i = 0; i < systems.systemCodeCount; ++i)
            appendf(m_Out, "\tシステムコード(%d) %02x %02x\n", i + 1, m_SystemCodes[2 * i], m_SystemCodes[2 * i + 1]);
    }

    bool DumpSystem(std::uint8_t* systemCode) {
        appendf(m_Out, "システム 0x%.4x のエリア・サービスコードリスト\n", systemCode[0] | systemCode[1] << 8);
        PollingRecord polling{systemCode, 0};
        SearchServiceRecord search{kListBytes, kListBytes, 0};
        CardRecord card{m_IDm, m_PMm};
        SearchServiceResponse found{0, m_Services, 0, m_Areas, m_EndCodes};
        if (!polling_and_search_service_code(&polling, &search, &card, &found)) return false;
        appendf(m_Out, "エリア数 %u\n", found.areaCount);
        for (std::uint32_t a = 0; a < found.areaCount; ++a)
            appendf(m_Out, "\t%.3u.エリアコード 0x%.4x\n", a + 1, m_Areas[2 * a] | m_Areas[2 * a + 1] << 8);
        appendf(m_Out, "サービス数 %u\n", found.serviceCount);
        for (std::uint32_t s = 0; s < found.serviceCount; ++s) {
            const std::uint16_t code = static_cast<std::uint16_t>(m_Services[2 * s] | m_Services[2 * s + 1] << 8);
            const Attribute attribute = attributeOf(code & 0x3F);
            appendf(m_Out, "\t%.3u.サービスコード 0x%.4x %s", s + 1, code, attribute.text);
            if (attribute.blocks != Dumped::No) DumpBlocks(code, attribute.blocks == Dumped::Purse);
        }
        return true;
    }

    void DumpBlocks(std::uint16_t service, bool purse) {
        const std::size_t before = felica::counters().commandsSent;
        const int count = m_Probe == BlockProbe::Fast ? fastProbe(m_IDm, service, m_Blocks)
                                                      : naiveProbe(m_IDm, service, m_Blocks);
        probeCommands += felica::counters().commandsSent - before;
        ++probedServices;
        appendf(m_Out, "\t\t%d block(s) use\n", count);
        for (int i = 0; i < count; ++i) {
            const std::uint8_t* b = m_Blocks + 16 * i;
            m_Out += "\t\t";
            for (int j = 0; j < 16; ++j) appendf(m_Out, "%.2x ", b[j]);
            m_Out += "\n";
            if (!purse) continue;
            const auto le32 = [b](int at) {
                return static_cast<std::int32_t>(static_cast<std::uint32_t>(b[at]) | b[at + 1] << 8 |
                                                 b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24);
            };
            appendf(m_Out, "\t\t実行 ID:%.02x%.02x  資金:%d  払戻: %d\n", b[15], b[14], le32(0), le32(4));
        }
    }

    BlockProbe m_Probe;
    std::string& m_Out;
    std::uint8_t m_IDm[8] = {};
    std::uint8_t m_PMm[8] = {};
    std::uint8_t m_SystemCodes[kListBytes] = {};
    std::uint8_t m_Areas[kListBytes] = {};
    std::uint8_t m_Services[kListBytes] = {};
    std::uint8_t m_EndCodes[kListBytes] = {};
    std::uint8_t m_Blocks[16 * kMaxProbeBlocks] = {};
};

// Opens the reader, makes the output with `create`, dumps, closes the reader.
ServiceDumpResult runDump(BlockProbe probe, const std::function<bool()>& create, std::string& text) {
    ServiceDumpResult result;
    if (!open_reader_writer_auto()) {
        close_reader_writer();
        return result;
    }
    if (!create()) {
        close_reader_writer();
        result.outcome = ServiceDumpResult::Outcome::NoFile;
        return result;
    }
    Dump dump(probe, text);
    result.outcome = dump.Run();
    result.probedServices = dump.probedServices;
    result.probeCommands = dump.probeCommands;
    close_reader_writer();
    return result;
}

}  // namespace

ServiceDumpResult DumpCardServices(QByteArray& text, BlockProbe probe) {
    std::string utf8;
    const ServiceDumpResult result = runDump(probe, [] { return true; }, utf8);
    text = toCp932(utf8);
    return result;
}

ServiceDumpResult WriteServiceDump(const QString& path, BlockProbe probe) {
    QFile file(path);
    std::string utf8;
    ServiceDumpResult result =
        runDump(probe, [&file] { return file.open(QIODevice::WriteOnly | QIODevice::Truncate); }, utf8);
    if (!result.written()) return result;
    const QByteArray bytes = toCp932(utf8);
    if (file.write(bytes) != bytes.size() || !file.flush()) result.outcome = ServiceDumpResult::Outcome::NoFile;
    return result;
}
