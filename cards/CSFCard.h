// CSFCard: the polymorphic base of every card type. It owns what a card read
// produces (IDm, PMm, the raw blocks of up to three services), performs the
// reader dialogue, and offers one virtual getter per column of a history row.
// A plain CSFCard (no system code, no services) stands for an unrecognised
// card: every getter yields an empty text or 0.
#pragma once

#include "StationCodeSchema.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

struct CardTypeInfo;

// The two name cells of a history row: where the trip began (or the bus
// stop) and where it ended (or the shop).
enum class NameSide { Departure, Arrival };

class CSFCard {
public:
    CSFCard();
    virtual ~CSFCard();
    CSFCard(const CSFCard&) = delete;
    CSFCard& operator=(const CSFCard&) = delete;

    virtual int GetSystemCode();
    virtual int GetHistoryServiceCode();
    virtual int GetHistoryCount();
    virtual std::uint8_t GetHistoryData(int pos);
    virtual std::uint8_t GetIDm(int i);
    virtual std::uint8_t GetPMm(int i);
    virtual bool ReadHistory();
    virtual bool DetectCard();
    virtual int GetTicketBarrierLogServiceCode();
    virtual bool ReadTicketBarrierLog();
    virtual std::uint8_t GetTicketBarrierLogData(int pos);
    virtual int GetCardInfoBlockCount();
    virtual QString GetCardNumber();
    virtual bool ReadCardInfo();
    virtual int GetIssuerKind();
    virtual QString GetTicketBarrierLogDateTime(int row);
    virtual QString GetTicketBarrierLogType(int row);
    virtual int GetTicketBarrierLogValue1(int row);
    virtual QString GetTicketBarrierLogStation(int row);
    virtual int GetTicketBarrierLogValue2(int row);
    virtual QString GetTicketBarrierLogNearStation(int row);
    virtual std::uint8_t GetTerminalCode(int row);
    virtual QString GetTerminal(int row);
    virtual std::uint8_t GetTradeCode(int row);
    virtual int GetTradeFlags(int row);
    virtual QString GetTrade(int row);
    virtual int GetDateCode(int row);
    virtual QString GetDate(int row);
    virtual int GetTimeCode(int row);
    virtual QString GetTime(int row);
    virtual int GetDepartureLineCode(int row);
    virtual QString GetDepartureCompany(int row);
    virtual QString GetDepartureLine(int row);
    virtual int GetDepartureStationCode(int row);
    virtual QString GetDepartureStation(int row);
    virtual int GetArrivalLineCode(int row);
    virtual QString GetArrivalCompany(int row);
    virtual QString GetArrivalLine(int row);
    virtual int GetArrivalStationCode(int row);
    virtual QString GetArrivalStation(int row);
    virtual int GetBalance(int row);
    virtual int GetCharge(int row);
    virtual int GetPoint(int row);
    virtual int GetPointBalance(int row);
    virtual int GetSerial(int row);
    virtual QString GetNote1(int row);
    virtual QString GetNote2(int row);
    // The lookup the company and station getters of one side of `row` make:
    // the table and its key values. None where the getters give an empty
    // text without a lookup.
    virtual std::optional<NameKey> GetNameKey(int row, NameSide side);
    // Whether history row `row` is a slot the card has not written yet, and
    // so no record at all: an all-zero block here; a class whose unused
    // slots keep other bytes says which.
    virtual bool IsEmptySlot(int row);
    static bool IsZeroBlock(const std::uint8_t* block);
    // A stored block back in history row `row` (false when the row is
    // outside the buffer), and the issuer kind the card was read with (-1
    // when it is not known: the keys that depend on it are then none).
    bool SetHistoryBlock(int row, const std::uint8_t* block);
    // The same for a ticket-gate log block (false outside its buffer, and for
    // a card type without a gate log).
    bool SetTicketBarrierLogBlock(int row, const std::uint8_t* block);
    void SetIssuerKind(int kind) { m_nIssuerKind = kind; }

    // Julian Day Number to Gregorian date (Fliegel and Van Flandern).
    virtual void DayNumberToDate(int n, int& year, int& month, int& day);

    // The six services whose presence tells the issuer kind, in probe order.
    static constexpr int kProbeServiceCount = 6;
    static constexpr std::uint16_t kProbeServices[kProbeServiceCount] = {0x1848, 0x1A48, 0x1B88,
                                                                          0x324C, 0x1CC8, 0x3388};
    static constexpr int kMaxHistoryBlocks = 20;
    static constexpr int kMaxCardInfoBlocks = 4;
    static constexpr int kTicketBarrierLogBlocks = 3;

protected:
    // Sets the reading parameters of a card type from the card type table.
    void ApplyCardType(const CardTypeInfo& type);
    // Hands the base the subclass's buffers (zero-filled, owned by the
    // subclass); `bytes` is their size.
    void AttachHistoryBuffer(std::uint8_t* buffer, std::size_t bytes);
    void AttachCardInfoBuffer(std::uint8_t* buffer, std::size_t bytes);
    void AttachTicketBarrierLogBuffer(std::uint8_t* buffer, std::size_t bytes);

    // The 16 bytes of history row `row`; a zero block for a row outside the
    // buffer, so getters never read out of bounds.
    const std::uint8_t* HistoryBlock(int row) const;
    const std::uint8_t* TicketBarrierLogBlock(int row) const;
    bool IsLastHistoryRow(int row) const { return row >= m_nHistoryBlocks - 1; }

    int m_nSystemCode;
    std::uint8_t m_IDm[8];
    std::uint8_t m_PMm[8];
    std::uint8_t m_KeyVersion[kProbeServiceCount][2];
    int m_nHistoryService;
    int m_nHistoryBlocks;
    std::uint8_t* m_pHistory;
    int m_nCardInfoService;
    int m_nCardInfoBlocks;
    std::uint8_t* m_pCardInfo;
    int m_nIssuerKind;
    int m_nTicketBarrierLogService;
    std::uint8_t* m_pTicketBarrierLog;
    int m_nTradeFlags;

private:
    // Reads `blocks` blocks (0, 1, 2, ...) of `service` with the IDm in
    // m_IDm into `into`, which holds `capacity` bytes.
    bool ReadBlocks(int service, int blocks, std::uint8_t* into, std::size_t capacity);
    // Opens the reader and reads with the IDm of the last poll (no new
    // poll), showing 1028 or 1040 on failure; true at once for service 0.
    bool ReadWithStoredIdm(int service, int blocks, std::uint8_t* into, std::size_t capacity);
    std::uint8_t SystemCodeByte(int i) const;

    std::size_t m_nHistoryCapacity = 0;
    std::size_t m_nCardInfoCapacity = 0;
    std::size_t m_nTicketBarrierLogCapacity = 0;
};

// `count` bytes of `bytes` from `first` as upper-case hex digits, or the empty
// text when the card gave fewer (the card numbers of the e-money cards).
QString HexOfBytes(const std::vector<std::uint8_t>& bytes, std::size_t first, std::size_t count);
// A block written as 32 hex digits (either case) into its 16 bytes; false
// for any other text.
bool BlockFromHex(QStringView hex, std::uint8_t* block);
bool BlockFromHex(std::string_view hex, std::uint8_t* block);
