// The Green car ticket a Suica card holds in block 0 of service 0x184B: one
// read of the card and the texts the Green ticket dialog shows. Nothing is
// stored; station names come from StationCode.db, one short-lived lookup
// object per name.
#pragma once

#include <QCoreApplication>
#include <QString>

#include <cstdint>

inline constexpr char kSeatedLabel[] = QT_TRANSLATE_NOOP("Strings", "着　席：");

// The texts as the card gives them, in Japanese (kuvora-cli's JSON keeps
// them so); the dialog and the table show them through ShownText.
struct GreenTicketTexts {
    QString message;          // message line
    QString purchase;         // purchase date and time
    QString boardingStation;
    QString alightingStation;
    QString fare;
    QString seatLabel = QString::fromUtf8(kSeatedLabel);
    QString trainCode;
    QString seatTime;
    QString seatStation;
};

// The Suica service that holds the ticket and the blocks read from it.
constexpr std::uint16_t kGreenTicketService = 0x184B;
constexpr int kGreenTicketBlocks = 23;

// Opens the reader, polls the Suica system, reads the ticket service and
// decodes block 0. Failures of the reader, the poll or the read end in the
// message line only; the reader is always closed again.
GreenTicketTexts ReadGreenTicket();

// Fills everything but the message line from a ticket block of 16 bytes.
void DecodeGreenTicket(const std::uint8_t* block, GreenTicketTexts& texts);

// The name of rail station (line, station) with area code 0: "未登録"
// without a query when either code is 0. A database that cannot be opened
// or a query that fails shows its message and gives "未登録".
QString GreenTicketStationName(int line, int station);
