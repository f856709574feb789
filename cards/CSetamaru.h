// CSetamaru: the せたまる transit card that also collects points (system
// 80 2B, card type 4). Twenty history blocks of service 0x324F and the
// three blocks of the ticket-gate log 0x108F, which the card reads but does
// not decode. Each block names one station, always in area 1 of the
// StationCode table.
//
// History block:
//   3-4    packed date, high byte first (bits 15-9 year within the century,
//          8-5 month, 4-0 day)
//   5      line code
//   6      station code
//   9-10   balance in yen, low byte first
//   11-12  points of this trade, low byte first
//   13     point total
//   14-15  serial number, high byte first
// Bytes 0-2 and 7-8 are not decoded.
#pragma once

#include "PlaceNameCard.h"

#include <vector>

class CSetamaru : public PlaceNameCard {
public:
    static constexpr int kCardType = 4;

    CSetamaru();
    int GetDateCode(int row) override;
    QString GetDate(int row) override;
    int GetDepartureLineCode(int row) override;
    int GetDepartureStationCode(int row) override;
    int GetBalance(int row) override;
    int GetPoint(int row) override;
    int GetPointBalance(int row) override;
    int GetSerial(int row) override;
    // "今回%3dPoint" of GetPoint.
    QString GetNote1(int row) override;
    // "合計%3dPoint" of GetPointBalance.
    QString GetNote2(int row) override;
    // The departure side only; none when the line or the station is 0.
    std::optional<NameKey> GetNameKey(int row, NameSide side) override;

private:
    std::vector<std::uint8_t> m_TicketBarrierLog;
};
