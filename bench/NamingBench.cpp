// Naming an unknown code: the name written to the user's database, every
// stored row with the code named, and the document's rows named, on a
// History.db of 1,000,000 rows and on a small one, rounds interleaved. The
// first naming on each History.db builds the code indexes and is reported
// apart from the repeated ones.
//
// The card: 1000 stored rows of a Suica-format card whose departure is the
// code in every tenth row and whose arrival is in every tenth other. The
// other rows belong to 999 other cards and spread over all rail codes below
// area 1 (so about 30 of them on each side share the code).
#include "BenchHome.h"
#include "CHistoryTable.h"
#include "CKuvoraDoc.h"
#include "CodeNaming.h"
#include "DbConnection.h"
#include "StationDatabasePaths.h"
#include "StoredHistory.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

const QString kIdm = QStringLiteral("01010410C8192A3B");

// A 16-byte Suica-format payment row: terminal 16, trade 01, the date, the
// departure and arrival codes, the balance and a serial.
QString block(int line1, int station1, int line2, int station2, int serial) {
    return QString::asprintf("1601000035%02X%02X%02X%02X%02X%04X%06X00", serial % 256, line1, station1, line2, station2,
                             1000, serial);
}

void fill(const QString& path, int otherRows) {
    CHistoryTable table(path);
    CHistoryDisplay card;
    using namespace history;
    for (int i = 0; i < CHistoryDisplay::kRows; ++i) {
        const bool dep = i % 10 == 0, arr = i % 10 == 5;
        const int l1 = dep ? 0x01 : 0x02, s1 = dep ? 0x10 : 1 + i % 200, l2 = arr ? 0x01 : 0x03, s2 = arr ? 0x10 : 2;
        card.SetText(BlockData, i, block(l1, s1, l2, s2, i));
        card.SetText(DepartureLineCode, i, QString::asprintf("%02X", l1));
        card.SetText(DepartureStationCode, i, QString::asprintf("%02X", s1));
        card.SetText(ArrivalLineCode, i, QString::asprintf("%02X", l2));
        card.SetText(ArrivalStationCode, i, QString::asprintf("%02X", s2));
        for (int c : {DepartureCompany, DepartureStation, ArrivalCompany, ArrivalStation}) card.SetText(c, i, "未登録");
    }
    table.Merge(kIdm, 1, card, CHistoryDisplay::kRows, 1);
    CDbConnection db;
    if (DbFailed(table.Open(db))) std::abort();
    db.Execute("BEGIN");
    CDbStatement insert;
    insert.Prepare(db,
                   "INSERT INTO History (IDm, CardType, BlockData, ALineCode, AStationCode, PLineCode, PStationCode, "
                   "ACompanyName, AStationName, PCompanyName, PStationName, Balance, Charge, Point, PointBalance, "
                   "Serial) VALUES (?, 1, ?, ?, ?, ?, ?, '未登録', '未登録', '未登録', '未登録', 1000, 210, 0, 0, ?)");
    for (int i = 0; i < otherRows; ++i) {
        const int line = 1 + i % 127, station = 1 + (i / 127) % 255;
        const int line2 = 1 + (i / 7) % 127, station2 = 1 + (i / 11) % 255;
        insert.Reset();
        insert.Bind(1, QString::asprintf("0101%012X", 1 + i % 999));
        insert.Bind(2, block(line, station, line2, station2, i));
        insert.Bind(3, QString::asprintf("%02X", line));
        insert.Bind(4, QString::asprintf("%02X", station));
        insert.Bind(5, QString::asprintf("%02X", line2));
        insert.Bind(6, QString::asprintf("%02X", station2));
        insert.Bind(7, static_cast<std::int64_t>(i));
        insert.Step();
    }
    db.Execute("COMMIT");
}

struct Case {
    Case(const char* n, const QString& p) : name(n), path(p) {}
    const char* name;
    QString path;
    std::unique_ptr<CKuvoraDoc> doc = std::make_unique<CKuvoraDoc>();
    std::vector<double> ms;
    int named = 0;
};

double timeName(Case& c, int round) {
    CHistoryTable table(c.path);
    const NameKey key{FindStationCodeTable(QStringLiteral("StationCode")), {0, 0x01, 0x10}};
    QString error;
    QElapsedTimer t;
    t.start();
    if (GiveName({key, QStringLiteral("見本駅%1").arg(round), QStringLiteral("見本鉄道")}, table, c.doc.get(), error) !=
        NamingResult::Named) {
        std::fprintf(stderr, "%s\n", error.toUtf8().constData());
        std::exit(1);
    }
    const double ms = t.nsecsElapsed() / 1e6;
    c.named = 0;
    for (int row = 0; row < c.doc->m_nRows; ++row)
        c.named += c.doc->m_History.Text(history::DepartureStation, row) == QStringLiteral("見本駅%1").arg(round);
    return ms;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    BenchHome home;
    const int rounds = argc > 1 ? std::max(3, std::atoi(argv[1])) : 15;
    Case large{"1,000,000 stored rows", home.dir.filePath("large/History.db")};
    Case small{"2,000 stored rows", home.dir.filePath("small/History.db")};
    QElapsedTimer t;
    t.start();
    fill(large.path, 1000000 - 1000);
    fill(small.path, 1000);
    std::printf("filled in %.1f s\n", t.elapsed() / 1000.0);
    for (Case* c : {&large, &small}) {
        CHistoryTable table(c->path);
        LoadStoredHistory(table, *c->doc, kIdm, 1);
    }
    // The first naming builds the code indexes: once per History.db.
    const double firstLarge = timeName(large, 0), firstSmall = timeName(small, 0);
    for (int r = 1; r <= rounds; ++r) {
        Case& a = r % 2 ? large : small;
        Case& b = r % 2 ? small : large;
        a.ms.push_back(timeName(a, r));
        b.ms.push_back(timeName(b, r));
    }
    std::printf("Naming a code (user database + stored rows + document), %d rounds interleaved\n\n", rounds);
    std::printf("%-24s %9s %9s %9s %14s %12s\n", "", "median ms", "min ms", "max ms", "first (index)", "rows named");
    for (Case* c : {&large, &small}) {
        std::sort(c->ms.begin(), c->ms.end());
        std::printf("%-24s %9.2f %9.2f %9.2f %11.0f ms %12d\n", c->name, c->ms[c->ms.size() / 2], c->ms.front(),
                    c->ms.back(), c == &large ? firstLarge : firstSmall, c->named);
    }
    // Where the time of one naming goes, on the large database.
    {
        CHistoryTable table(large.path);
        const NameKey key{FindStationCodeTable(QStringLiteral("StationCode")), {0, 0x01, 0x10}};
        std::vector<double> overlay, stored, document;
        for (int r = 0; r < rounds; ++r) {
            const GivenName given{key, QStringLiteral("見本駅x%1").arg(r), QStringLiteral("見本鉄道")};
            QStringList errors;
            QString error;
            QElapsedTimer step;
            step.start();
            WriteUserNames(UserStationCodeDatabasePath(), {UserNameRow(given)}, errors);
            overlay.push_back(step.nsecsElapsed() / 1e6);
            step.restart();
            NameStoredRows(table, {given}, error);
            stored.push_back(step.nsecsElapsed() / 1e6);
            step.restart();
            NameDocumentRows(*large.doc, given);
            document.push_back(step.nsecsElapsed() / 1e6);
        }
        auto median = [](std::vector<double> v) {
            std::sort(v.begin(), v.end());
            return v[v.size() / 2];
        };
        std::printf("\nlarge, by step (median ms): user database %.2f, stored rows %.2f, document %.2f\n",
                    median(overlay), median(stored), median(document));
    }
    std::printf("\ntarget: median < 50 ms and flat in the database size; a first naming over 500 ms shows progress "
                "in the window\n");
    return 0;
}
