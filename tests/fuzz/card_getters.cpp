// Every card class's getters over any blocks. The first byte picks the card
// type from the card type table; the rest fills, in turn, the IDm, the PMm,
// the key versions of the probe services (and with them the issuer kind),
// the history, the ticket-gate log and the card-info blocks, as a read
// would. Every getter then runs over every row and one row either side.
#include "CDbLookup.h"
#include "CSFCard.h"
#include "CardTypes.h"
#include "FuzzScratch.h"
#include "MessageSink.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>

namespace {

// Reaches the fields a read fills in any card object.
struct CardFields : CSFCard {
    static void load(CSFCard& card, const std::uint8_t* data, std::size_t size) {
        auto fill = [&](std::uint8_t* into, std::size_t bytes) {
            const std::size_t n = std::min(bytes, size);
            std::memcpy(into, data, n);
            std::memset(into + n, 0, bytes - n);
            data += n;
            size -= n;
        };
        fill(card.*(&CardFields::m_IDm), 8);
        fill(card.*(&CardFields::m_PMm), 8);
        fill(&(card.*(&CardFields::m_KeyVersion))[0][0], sizeof m_KeyVersion);
        card.*(&CardFields::m_nIssuerKind) = card.GetIssuerKind();
        if (std::uint8_t* history = card.*(&CardFields::m_pHistory))
            fill(history, 16 * static_cast<std::size_t>(card.GetHistoryCount()));
        if (std::uint8_t* log = card.*(&CardFields::m_pTicketBarrierLog)) fill(log, 16 * kTicketBarrierLogBlocks);
        if (std::uint8_t* info = card.*(&CardFields::m_pCardInfo))
            fill(info, 16 * static_cast<std::size_t>(card.GetCardInfoBlockCount()));
    }
};

class QuietSink : public MessageSink {
public:
    void showMessage(const QString&) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static QuietSink sink;
    static const bool ready = (FuzzScratchFolder(), InstallMessageSink(&sink), true);
    (void)ready;
    // One object per type for the whole run, as opening the station database
    // for each input would cost more than the decoding.
    static std::map<int, std::unique_ptr<CSFCard>> cards;
    if (size == 0) return 0;
    const auto& table = CardTypeTable();
    const int code = table[data[0] % table.size()].code;
    auto& card = cards[code];
    if (!card) card = CreateCard(code);
    CardFields::load(*card, data + 1, size - 1);

    CSFCard& c = *card;
    const StationLookupBatch names;  // as a read fills its rows
    c.GetCardNumber();
    for (int row = -1; row <= CSFCard::kTicketBarrierLogBlocks; ++row) {
        c.GetTicketBarrierLogDateTime(row);
        c.GetTicketBarrierLogType(row);
        c.GetTicketBarrierLogValue1(row);
        c.GetTicketBarrierLogStation(row);
        c.GetTicketBarrierLogValue2(row);
        c.GetTicketBarrierLogNearStation(row);
    }
    for (int row = -1; row <= c.GetHistoryCount(); ++row) {
        c.GetTerminalCode(row);
        c.GetTerminal(row);
        c.GetTradeCode(row);
        c.GetTradeFlags(row);
        c.GetTrade(row);
        c.GetDateCode(row);
        c.GetDate(row);
        c.GetTimeCode(row);
        c.GetTime(row);
        c.GetDepartureLineCode(row);
        c.GetDepartureCompany(row);
        c.GetDepartureLine(row);
        c.GetDepartureStationCode(row);
        c.GetDepartureStation(row);
        c.GetArrivalLineCode(row);
        c.GetArrivalCompany(row);
        c.GetArrivalLine(row);
        c.GetArrivalStationCode(row);
        c.GetArrivalStation(row);
        c.GetBalance(row);
        c.GetCharge(row);
        c.GetPoint(row);
        c.GetPointBalance(row);
        c.GetSerial(row);
        c.GetNote1(row);
        c.GetNote2(row);
    }
    return 0;
}
