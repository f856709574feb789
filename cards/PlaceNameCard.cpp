#include "PlaceNameCard.h"

#include "CardTypes.h"

using Name = PlaceNameLookup::Name;

PlaceNameCard::PlaceNameCard(int cardType, const char* table, const char* sql, PlaceNameLookup::Columns columns,
                             int area)
    : m_Names(table, sql, columns, area) {
    ApplyCardType(*FindCardType(cardType));
    m_History.assign(16 * static_cast<std::size_t>(m_nHistoryBlocks), 0);
    AttachHistoryBuffer(m_History.data(), m_History.size());
    m_Names.Open();
}

QString PlaceNameCard::Place(int row, NameSide side, PlaceNameLookup::Name name) {
    const std::optional<NameKey> key = GetNameKey(row, side);
    return key ? m_Names.Lookup(*key, name) : QString();
}

QString PlaceNameCard::GetDepartureCompany(int row) { return Place(row, NameSide::Departure, Name::Company); }
QString PlaceNameCard::GetDepartureLine(int row) { return Place(row, NameSide::Departure, Name::Line); }
QString PlaceNameCard::GetDepartureStation(int row) { return Place(row, NameSide::Departure, Name::Station); }
QString PlaceNameCard::GetArrivalCompany(int row) { return Place(row, NameSide::Arrival, Name::Company); }
QString PlaceNameCard::GetArrivalLine(int row) { return Place(row, NameSide::Arrival, Name::Line); }
QString PlaceNameCard::GetArrivalStation(int row) { return Place(row, NameSide::Arrival, Name::Station); }
