#include "GreenTicket.h"

#include "CDbLookup.h"
#include "MessageSink.h"
#include "ShownText.h"
#include "StationCodeSchema.h"
#include "StationLookups.h"
#include "felica.h"

namespace {

const char* const kNoReader = QT_TRANSLATE_NOOP("Strings", "FeliCa リーダ・ライタが認識できません(READ)。");
const char* const kNoSuica = QT_TRANSLATE_NOOP("Strings", "Suicaが読み取れません。");
const char* const kDone = QT_TRANSLATE_NOOP("Strings", "読み取りました。");
const char* const kDatabaseOpenFailed = QT_TRANSLATE_NOOP("Strings", "駅コード データベース オープン失敗");
const char* const kQueryFailed = QT_TRANSLATE_NOOP("Strings", "駅コード レコード検索失敗");

int be16(const std::uint8_t* p) { return p[0] << 8 | p[1]; }

}  // namespace

QString GreenTicketStationName(int line, int station) {
    if (line == 0 || station == 0) return UnregisteredName();
    CDbLookup lookup(*FindStationCodeTable(QStringLiteral("StationCode")));
    if (DbFailed(lookup.Open())) ShowMessage(QString::fromUtf8(kDatabaseOpenFailed));
    QString name;
    // A row that cannot be fetched is as much a failed query as one that
    // cannot be opened.
    if (DbFailed(LookupName(lookup, sql::kRailStation, {0, line, station}, "StationName", name)))
        ShowMessage(QString::fromUtf8(kQueryFailed));
    lookup.Close();
    return name;
}

void DecodeGreenTicket(const std::uint8_t* b, GreenTicketTexts& t) {
    t.boardingStation = GreenTicketStationName(b[0], b[1]);
    t.alightingStation = GreenTicketStationName(b[2], b[3]);
    const int date = be16(b + 4), time = be16(b + 6);
    t.purchase = QString::asprintf("20%02d年%02d月%02d日%02d時%02d分", date >> 9, (date >> 5) & 0x0F, date & 0x1F,
                                   time >> 11, (time >> 5) & 0x3F);
    t.fare = QString::asprintf("%d円", b[9] * 10);
    const int seat = be16(b + 14);
    const int status = seat & 3;
    if (status != 1 && status != 3) return;
    t.seatLabel = QString::fromUtf8(status == 1 ? QT_TRANSLATE_NOOP("Strings", "離　席：") : kSeatedLabel);
    t.trainCode = QString::asprintf("%02X%02X", b[10], b[11]);
    t.seatStation = GreenTicketStationName(b[12], b[13]);
    t.seatTime = QString::asprintf("%02d時%02d分", seat >> 11, (seat >> 5) & 0x3F);
}

GreenTicketTexts ReadGreenTicket() {
    GreenTicketTexts t;
    if (!open_reader_writer_auto()) {
        t.message = QString::fromUtf8(kNoReader);
        close_reader_writer();
        return t;
    }
    std::uint8_t systemCode[2] = {0x00, 0x03};
    PollingRecord polling{systemCode, 0};
    std::uint8_t idm[8] = {}, pmm[8] = {};
    CardRecord card{idm, pmm};
    std::uint8_t cardCount = 0;
    if (!polling_and_get_card_information(&polling, &cardCount, &card)) {
        t.message = QString::fromUtf8(kNoSuica);
        close_reader_writer();
        return t;
    }
    std::uint8_t service[2] = {kGreenTicketService & 0xFF, kGreenTicketService >> 8};
    std::uint8_t blockList[2 * kGreenTicketBlocks];
    for (int i = 0; i < kGreenTicketBlocks; ++i) {
        blockList[2 * i] = 0x80;
        blockList[2 * i + 1] = static_cast<std::uint8_t>(i);
    }
    ReadBlockRecord request{idm, 1, service, kGreenTicketBlocks, blockList};
    std::uint8_t status1 = 0, status2 = 0, count = 0;
    std::uint8_t data[16 * kGreenTicketBlocks] = {};
    ReadBlockResponse response{&status1, &status2, &count, data};
    if (!read_block_without_encryption(&request, &response)) {
        int error = 0;
        get_last_error_type(&error);
        t.message = QString::fromUtf8(kGreenTicketReadFailedLine).arg(error);
        close_reader_writer();
        return t;
    }
    DecodeGreenTicket(data, t);
    t.message = QString::fromUtf8(kDone);
    close_reader_writer();
    return t;
}
