// CSuica: the transit cards that share the Suica record format (card type 1):
// 20 history blocks of service 0x090F and 3 ticket-gate log blocks of 0x108F.
// Station, bus-stop and shop codes become names through three lookup objects
// over StationCode.db.
#pragma once

#include "CDbLookup.h"
#include "CSFCard.h"

#include <vector>

class CSuica : public CSFCard {
public:
    CSuica();
    ~CSuica() override;

    // The history read, and for a card of system 00 03 its brand, asked in
    // one Request Service after the history.
    bool ReadHistory() override;
    // "Suica", "PASMO", ... or empty when the services name no single brand
    // (or the card has not been read).
    const QString& GetBrand() const { return m_strBrand; }

    QString GetTicketBarrierLogDateTime(int row) override;
    QString GetTicketBarrierLogType(int row) override;
    int GetTicketBarrierLogValue1(int row) override;
    QString GetTicketBarrierLogStation(int row) override;
    int GetTicketBarrierLogValue2(int row) override;
    QString GetTicketBarrierLogNearStation(int row) override;
    std::uint8_t GetTerminalCode(int row) override;
    QString GetTerminal(int row) override;
    std::uint8_t GetTradeCode(int row) override;
    QString GetTrade(int row) override;
    int GetDateCode(int row) override;
    QString GetDate(int row) override;
    int GetTimeCode(int row) override;
    QString GetTime(int row) override;
    int GetDepartureLineCode(int row) override;
    QString GetDepartureCompany(int row) override;
    QString GetDepartureLine(int row) override;
    int GetDepartureStationCode(int row) override;
    QString GetDepartureStation(int row) override;
    int GetArrivalLineCode(int row) override;
    QString GetArrivalCompany(int row) override;
    QString GetArrivalLine(int row) override;
    int GetArrivalStationCode(int row) override;
    QString GetArrivalStation(int row) override;
    int GetBalance(int row) override;
    int GetCharge(int row) override;
    int GetSerial(int row) override;
    QString GetNote1(int row) override;
    // Rail stations (area by line code and issuer kind), bus stops on the
    // departure side, shops on the arrival side.
    std::optional<NameKey> GetNameKey(int row, NameSide side) override;

    bool IsEmptySlot(int row) override;
    // An unused slot: nothing that makes a record (terminal, trade, date,
    // stations, balance, serial number, region) is set; a card may leave
    // its payment and entry kinds (bytes 2-3) in it, as in 00 00 00 80 00...
    static bool IsEmptySlotBlock(const std::uint8_t* block);

    // Trades whose bytes 6-7 hold a time instead of the entry station.
    static bool IsShopTrade(std::uint8_t trade);

protected:
    CDbLookup m_StationCode;
    CDbLookup m_ShopCode;
    CDbLookup m_BusCode;

private:
    // What a name getter asks for: the column of each kind of table, and the
    // messages shown when its lookup fails (the operation name follows).
    struct NameRequest {
        const char* operation;
        const char* railColumn;
        const char* otherColumn;  // bus column (departure) or shop column (arrival)
        const char* railMessage;   // UTF-8
        const char* otherMessage;
    };
    QString DepartureName(int row, const NameRequest& request);
    QString ArrivalName(int row, const NameRequest& request);
    // The request's column of the row `key` names; empty without a query
    // for no key.
    QString KeyName(const std::optional<NameKey>& key, const NameRequest& request);
    // The station (line, station) in the area the line code and the issuer
    // kind give; none when either code is 0.
    std::optional<NameKey> RailKey(int line, int station) const;
    QString RailName(int line, int station, const char* column, const char* message,
                     const char* operation);
    static void ShowLookupError(const char* message, const char* operation, DbResult code);

    // The brand's services on the card, with the probe services already asked.
    QString AskBrand();

    QString m_strBrand;
    std::vector<std::uint8_t> m_HistoryBuffer;
    std::vector<std::uint8_t> m_TicketBarrierLogBuffer;
};
