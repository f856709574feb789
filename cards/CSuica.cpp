#include "CSuica.h"

#include "BalanceOnlyBlocks.h"
#include "BlockFields.h"
#include "CardBrand.h"
#include "CardTypes.h"
#include "MessageSink.h"
#include "StationLookups.h"
#include "felica.h"

#include <QCoreApplication>

#include <cstring>

namespace {

constexpr int kMsgStationDatabase = 129;

// By the table's own spelling: a card object is made for every read, and
// the comparison that ignores case is not needed for our own names.
const TableDef& table(const char* name) {
    for (const TableDef& t : StationCodeTables())
        if (std::strcmp(t.name, name) == 0) return t;
    return *FindStationCodeTable(QLatin1String(name));
}

QString text(const char16_t* s) { return QString::fromUtf16(s); }

// Table T: the terminal type of byte 0.
QString terminalName(std::uint8_t code) {
    switch (code) {
    case 0x03: return text(u"精算機");
    case 0x04: return text(u"携帯型端末");
    case 0x05: return text(u"車載端末");
    case 0x07: case 0x08: case 0x12: return text(u"券売機");
    case 0x09: return text(u"入金機");
    case 0x15: return text(u"定期券発売機");
    case 0x16: return text(u"改札機");
    case 0x17: return text(u"簡易改札機");
    case 0x18: case 0x19: return text(u"窓口端末");
    case 0x1A: return text(u"改札端末");
    case 0x1B: return text(u"携帯電話");
    case 0x1C: return text(u"乗継精算機");
    case 0x1D: return text(u"連絡改札機");
    case 0x1F: return text(u"簡易入金機");
    case 0x46: case 0x48: return text(u"VIEW ALTTE");
    case 0xC7: return text(u"物販端末");
    case 0xC8: return text(u"自販機等");
    default: return text(u"不明");
    }
}

// Table G: the gate event kind of byte 0.
QString gateEventName(std::uint8_t code) {
    switch (code) {
    case 0x00: return text(u"精算");
    case 0x01: return text(u"定精");
    case 0x20: return text(u"出場");
    case 0x21: return text(u"窓出");
    case 0x22: return text(u"乗継");
    case 0x40: case 0xC1: return text(u"出定");
    case 0xA0: return text(u"入場");
    case 0xC0: return text(u"入定");
    default: return text(u"不明");
    }
}

// What the name getters ask of the database, with their failure messages
// (UTF-8; a message box shows them in the user's language).
const char* const kDepartureCompanyBus = QT_TRANSLATE_NOOP("Strings", "入場会社名取得(バス)でエラーが発生しました。");
const char* const kDepartureCompanyRail = QT_TRANSLATE_NOOP("Strings", "入場会社名取得(鉄道)でエラーが発生しました。");
const char* const kDepartureLineBus = QT_TRANSLATE_NOOP("Strings", "入場路線名取得(バス)でエラーが発生しました。");
const char* const kDepartureLineRail = QT_TRANSLATE_NOOP("Strings", "入場路線名取得(鉄道)でエラーが発生しました。");
const char* const kDepartureStationBus = QT_TRANSLATE_NOOP("Strings", "入場駅名取得(バス)でエラーが発生しました。");
const char* const kDepartureStationRail = QT_TRANSLATE_NOOP("Strings", "入場駅名取得(鉄道)でエラーが発生しました。");
const char* const kArrivalCompanyShop = QT_TRANSLATE_NOOP("Strings", "物販会社名取得でエラーが発生しました。");
const char* const kArrivalCompanyRail = QT_TRANSLATE_NOOP("Strings", "出場会社名取得でエラーが発生しました。");
const char* const kArrivalLineRail = QT_TRANSLATE_NOOP("Strings", "出場路線名取得でエラーが発生しました。");
const char* const kArrivalStationShop = QT_TRANSLATE_NOOP("Strings", "物販店舗名取得でエラーが発生しました。");
const char* const kArrivalStationRail = QT_TRANSLATE_NOOP("Strings", "駅名取得でエラーが発生しました。");
const char* const kGateStation = QT_TRANSLATE_NOOP("Strings", "改札ログ駅名検索でエラーが発生しました。");
const char* const kGateNearStation = QT_TRANSLATE_NOOP("Strings", "改札ログ境界駅名検索でエラーが発生しました。");

}  // namespace

CSuica::CSuica()
    : m_StationCode(table("StationCode")), m_ShopCode(table("ShopCode")), m_BusCode(table("BusCode")) {
    ApplyCardType(*FindCardType(1));
    m_HistoryBuffer.assign(16 * kMaxHistoryBlocks, 0);
    m_TicketBarrierLogBuffer.assign(16 * kTicketBarrierLogBlocks, 0);
    AttachHistoryBuffer(m_HistoryBuffer.data(), m_HistoryBuffer.size());
    AttachTicketBarrierLogBuffer(m_TicketBarrierLogBuffer.data(), m_TicketBarrierLogBuffer.size());
    // Without a database the card still reads; its names are then "未登録".
    for (CDbLookup* lookup : {&m_StationCode, &m_BusCode, &m_ShopCode})
        if (DbFailed(lookup->Open())) ShowMessage(kMsgStationDatabase);
}

CSuica::~CSuica() = default;

bool CSuica::ReadHistory() {
    m_strBrand.clear();
    if (!CSFCard::ReadHistory()) return false;
    // The brands issue their services in the Suica system only.
    if (m_nSystemCode == 0x0300) m_strBrand = AskBrand();
    return true;
}

QString CSuica::AskBrand() {
    std::vector<std::uint16_t> present;
    for (int i = 0; i < kProbeServiceCount; ++i)
        if (m_KeyVersion[i][0] != 0xFF || m_KeyVersion[i][1] != 0xFF) present.push_back(kProbeServices[i]);
    const std::vector<std::uint16_t>& asked = BrandProbeServices();
    std::vector<std::uint8_t> list;
    for (std::uint16_t code : asked) {
        list.push_back(static_cast<std::uint8_t>(code & 0xFF));
        list.push_back(static_cast<std::uint8_t>(code >> 8));
    }
    std::vector<std::uint8_t> keys(list.size(), 0xFF);
    // A card that does not answer has no brand; the reads that follow report
    // a card that went away.
    if (!open_reader_writer_auto()) return QString();
    std::uint8_t systemCode[2] = {0x00, 0x03};
    PollingRecord polling{systemCode, 0};
    RequestServiceRecord request{m_IDm, static_cast<std::uint8_t>(asked.size()), list.data()};
    std::uint8_t answered = 0;
    RequestServiceResponse response{&answered, keys.data()};
    std::uint8_t idm[8], pmm[8];
    CardRecord card{idm, pmm};
    const bool ok = polling_and_request_service(&polling, &request, &card, &response) != 0;
    close_reader_writer();
    if (!ok) return QString();
    for (std::size_t i = 0; i < asked.size() && i < answered; ++i)
        if (keys[2 * i] != 0xFF || keys[2 * i + 1] != 0xFF) present.push_back(asked[i]);
    return BrandFromServices(present);
}

bool CSuica::IsShopTrade(std::uint8_t trade) {
    switch (trade) {
    case 0x46: case 0x49: case 0x4A: case 0x4B: case 0xC6: case 0xCB: return true;
    default: return false;
    }
}

void CSuica::ShowLookupError(const char* message, const char* operation, DbResult code) {
    ShowMessage(QStringLiteral("%1\n(%2:%3)")
                    .arg(QString::fromUtf8(message), QLatin1String(operation))
                    .arg(static_cast<std::uint32_t>(code), 0, 16));
}

std::optional<NameKey> CSuica::RailKey(int line, int station) const {
    if (line == 0 || station == 0) return std::nullopt;
    int area = 0;
    if (line >= 0x80) {
        if (m_nIssuerKind < 0) return std::nullopt;
        area = (m_nIssuerKind == 2 || m_nIssuerKind == 3 || m_nIssuerKind == 5) ? 2 : 1;
    }
    return NameKey{&m_StationCode.Table(), {area, line, station}};
}

QString CSuica::RailName(int line, int station, const char* column, const char* message,
                         const char* operation) {
    return KeyName(RailKey(line, station), {operation, column, nullptr, message, nullptr});
}

QString CSuica::KeyName(const std::optional<NameKey>& key, const NameRequest& request) {
    if (!key) return QString();
    const bool rail = key->table == &m_StationCode.Table();
    const bool shop = key->table == &m_ShopCode.Table();
    const char* column = rail ? request.railColumn : request.otherColumn;
    if (!column) return QString();  // a shop has no line name
    CDbLookup& lookup = rail ? m_StationCode : shop ? m_ShopCode : m_BusCode;
    QString name;
    const DbResult r =
        LookupName(lookup, rail ? sql::kRailStation : shop ? sql::kShop : sql::kBusStop, key->values, column, name);
    if (DbFailed(r)) ShowLookupError(rail ? request.railMessage : request.otherMessage, request.operation, r);
    return name;
}

QString CSuica::GetTicketBarrierLogDateTime(int row) {
    const std::uint8_t* b = TicketBarrierLogBlock(row);
    // Hour and minute are BCD, shown digit for digit as upper-case hex.
    static constexpr char16_t kHex[] = u"0123456789ABCDEF";
    const char16_t time[] = {kHex[b[8] >> 4], kHex[b[8] & 15], u'時', kHex[b[9] >> 4], kHex[b[9] & 15], u'分'};
    QString text = PackedDateText(BigEndian16(b + 6));
    text.append(QStringView(time, 6));
    return text;
}

QString CSuica::GetTicketBarrierLogType(int row) { return gateEventName(TicketBarrierLogBlock(row)[0]); }
int CSuica::GetTicketBarrierLogValue1(int row) { return LittleEndian16(TicketBarrierLogBlock(row) + 10); }
int CSuica::GetTicketBarrierLogValue2(int row) { return LittleEndian16(TicketBarrierLogBlock(row) + 12); }

QString CSuica::GetTicketBarrierLogStation(int row) {
    const std::uint8_t* b = TicketBarrierLogBlock(row);
    return RailName(b[2], b[3], "StationName", kGateStation, "GetTicketBarrierLogStation");
}

QString CSuica::GetTicketBarrierLogNearStation(int row) {
    const std::uint8_t* b = TicketBarrierLogBlock(row);
    return RailName(b[14], b[15], "StationName", kGateNearStation, "GetTicketBarrierLogNearStation");
}

bool CSuica::IsEmptySlot(int row) { return IsEmptySlotBlock(HistoryBlock(row)); }

bool CSuica::IsEmptySlotBlock(const std::uint8_t* block) {
    for (int i = 0; i < 16; ++i)
        if (i != 2 && i != 3 && block[i] != 0) return false;
    return true;
}

std::uint8_t CSuica::GetTerminalCode(int row) { return HistoryBlock(row)[0]; }
QString CSuica::GetTerminal(int row) { return terminalName(HistoryBlock(row)[0]); }
std::uint8_t CSuica::GetTradeCode(int row) { return HistoryBlock(row)[1]; }

QString CSuica::GetTrade(int row) {
    const std::uint8_t* b = HistoryBlock(row);
    auto arrivalNamed = [&] { return GetArrivalLineCode(row) != 0 || GetArrivalStationCode(row) != 0 ? 3 : 1; };
    switch (b[1]) {
    case 0x00: m_nTradeFlags = 0; return QString();
    case 0x01: case 0x13: m_nTradeFlags = 3; return text(u"支払");
    case 0x02: m_nTradeFlags = arrivalNamed(); return b[2] == 0x02 ? QStringLiteral("VIEW") : text(u"入金");
    case 0x03: m_nTradeFlags = arrivalNamed(); return text(u"券購");
    case 0x04: case 0x05: case 0x84: case 0x85: m_nTradeFlags = 3; return text(u"精算");
    case 0x06: m_nTradeFlags = 3; return text(u"窓出");
    case 0x07: m_nTradeFlags = 1; return text(u"新規");
    case 0x08: m_nTradeFlags = 3; return text(u"控除");
    case 0x0D: case 0x0F: m_nTradeFlags = 0x41; return text(u"バス");
    case 0x11: m_nTradeFlags = 1; return text(u"再発");
    case 0x14: m_nTradeFlags = 1; return text(u"入A");
    case 0x15: m_nTradeFlags = 3; return text(u"出A");
    case 0x23: m_nTradeFlags = 0x41; return text(u"券購");
    case 0x46: case 0x4A: m_nTradeFlags = 0x82; return text(u"物販");
    case 0x48: m_nTradeFlags = 1; return text(u"特典");
    case 0x49: m_nTradeFlags = 0x82; return text(u"入金");
    case 0x4B: case 0xCB: m_nTradeFlags = 0x82; return text(u"入物");
    case 0xC6: m_nTradeFlags = 0x82; return text(u"物現");
    default: m_nTradeFlags = 3; return text(u"不明");
    }
}

int CSuica::GetDateCode(int row) {
    const std::uint8_t* b = HistoryBlock(row);
    return b[4] * 256 + b[5];
}

QString CSuica::GetDate(int row) { return PackedDateText(BigEndian16(HistoryBlock(row) + 4)); }

int CSuica::GetTimeCode(int row) {
    const std::uint8_t* b = HistoryBlock(row);
    return IsShopTrade(b[1]) ? b[6] * 256 + b[7] : 0;
}

QString CSuica::GetTime(int row) {
    const std::uint8_t* b = HistoryBlock(row);
    if (!IsShopTrade(b[1])) return QString();
    return QString::asprintf("%02d時%02d分", b[6] >> 3, (b[6] & 7) * 8 + (b[7] >> 5));
}

int CSuica::GetDepartureLineCode(int row) {
    const std::uint8_t* b = HistoryBlock(row);
    return IsShopTrade(b[1]) ? 0 : b[6];
}

int CSuica::GetDepartureStationCode(int row) {
    const std::uint8_t* b = HistoryBlock(row);
    return IsShopTrade(b[1]) ? 0 : b[7];
}

int CSuica::GetArrivalLineCode(int row) { return HistoryBlock(row)[8]; }
int CSuica::GetArrivalStationCode(int row) { return HistoryBlock(row)[9]; }

std::optional<NameKey> CSuica::GetNameKey(int row, NameSide side) {
    GetTrade(row);
    const int flags = m_nTradeFlags;
    const std::uint8_t* b = HistoryBlock(row);
    if (side == NameSide::Departure) {
        if (!(flags & 0x01) || b[6] == 0 || b[7] == 0) return std::nullopt;
        switch (flags & 0xC1) {
        case 0x41: return NameKey{&m_BusCode.Table(), {b[6] * 256 + b[7], b[8] * 256 + b[9]}};
        case 0x81: return std::nullopt;
        default: return RailKey(b[6], b[7]);
        }
    }
    if (!(flags & 0x02) || b[8] == 0 || b[9] == 0) return std::nullopt;
    switch (flags & 0xC2) {
    case 0x42: return std::nullopt;
    case 0x82:
        // The shop's area is the issuer kind.
        if (m_nIssuerKind < 0) return std::nullopt;
        return NameKey{&m_ShopCode.Table(), {m_nIssuerKind, b[0], b[8], b[9]}};
    default: return RailKey(b[8], b[9]);
    }
}

QString CSuica::DepartureName(int row, const NameRequest& request) {
    return KeyName(GetNameKey(row, NameSide::Departure), request);
}

QString CSuica::ArrivalName(int row, const NameRequest& request) {
    return KeyName(GetNameKey(row, NameSide::Arrival), request);
}

QString CSuica::GetDepartureCompany(int row) {
    return DepartureName(row, {"GetDepartureCompany", "CompanyName", "BusCompanyName", kDepartureCompanyRail,
                               kDepartureCompanyBus});
}

QString CSuica::GetDepartureLine(int row) {
    return DepartureName(row, {"GetDepartureLine", "LineName", "BusLineName", kDepartureLineRail, kDepartureLineBus});
}

QString CSuica::GetDepartureStation(int row) {
    return DepartureName(row, {"GetDepartureStation", "StationName", "BusStationName", kDepartureStationRail,
                               kDepartureStationBus});
}

QString CSuica::GetArrivalCompany(int row) {
    return ArrivalName(row, {"GetArrivalCompany", "CompanyName", "CompanyName", kArrivalCompanyRail,
                             kArrivalCompanyShop});
}

QString CSuica::GetArrivalLine(int row) {
    return ArrivalName(row, {"GetArrivalLine", "LineName", nullptr, kArrivalLineRail, nullptr});
}

QString CSuica::GetArrivalStation(int row) {
    return ArrivalName(row, {"GetArrivalStation", "StationName", "ShopName", kArrivalStationRail,
                             kArrivalStationShop});
}

int CSuica::GetBalance(int row) { return LittleEndian16(HistoryBlock(row) + 10); }

int CSuica::GetCharge(int row) {
    if (IsLastHistoryRow(row)) return 0;
    switch (HistoryBlock(row)[1]) {
    case 0x02: case 0x14: case 0x15: case 0x48: case 0x49:
        return GetBalance(row) - GetBalance(row + 1);  // money added
    default:
        return GetBalance(row + 1) - GetBalance(row);  // money spent
    }
}

int CSuica::GetSerial(int row) {
    const std::uint8_t* b = HistoryBlock(row);
    return b[12] << 16 | b[13] << 8 | b[14];
}

QString CSuica::GetNote1(int row) {
    const std::uint8_t* b = HistoryBlock(row);
    const std::uint8_t kind = b[3];
    QString note;
    switch (b[1]) {
    case 0x01: case 0x05:
        if (kind == 0x03 || kind == 0x06) note += text(u"入定");
        if (kind == 0x04 || kind == 0x07) note += text(u"出定");
        if (kind == 0x17) note += text(u"継割");
        break;
    case 0x85:
        note += QLatin1Char('*');
        if (kind == 0x03 || kind == 0x06) note += text(u"入定");
        if (kind == 0x17) note += text(u"継割");
        break;
    case 0x02:
        if (b[2] == 0x3F || b[2] == 0x02) note += text(u"ｸﾚｼﾞｯﾄ");
        break;
    case 0x0D: case 0x0F:
        if (kind == 0x1D) note += text(u"継割");
        break;
    case 0x13: note += text(u"特急"); break;
    case 0x14: case 0x15: note += text(u"ｵｰﾄﾁｬｰｼﾞ"); break;
    case 0x23: note += text(u"企画券"); break;
    case 0x49: note += text(u"ﾚｼﾞ"); break;
    case 0x4A: note += text(u"物販取消"); break;
    case 0xC6: case 0xCB: note += text(u"現金併用"); break;
    default: break;
    }
    return note;
}
