// The common part of the cards whose place names come from one table of
// StationCode.db through a PlaceNameLookup (ICa, nice pass!, CI-CA, passca
// and the point card): the history buffer of the card type, the lookup, and
// the six name getters, which all ask Place().
#pragma once

#include "CSFCard.h"
#include "PlaceNameLookup.h"

#include <vector>

class PlaceNameCard : public CSFCard {
public:
    QString GetDepartureCompany(int row) override;
    QString GetDepartureLine(int row) override;
    QString GetDepartureStation(int row) override;
    QString GetArrivalCompany(int row) override;
    QString GetArrivalLine(int row) override;
    QString GetArrivalStation(int row) override;

protected:
    // Sets up the history buffer of `cardType` and opens the lookup; the
    // arguments after it are those of PlaceNameLookup.
    PlaceNameCard(int cardType, const char* table, const char* sql, PlaceNameLookup::Columns columns,
                  int area = -1);

    // `name` of the row's `side`: the looked-up name of GetNameKey's key,
    // empty when there is none.
    virtual QString Place(int row, NameSide side, PlaceNameLookup::Name name);

    PlaceNameLookup m_Names;

private:
    std::vector<std::uint8_t> m_History;
};
