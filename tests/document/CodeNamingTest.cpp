#include "CHistoryTable.h"
#include "CKuvoraDoc.h"
#include "CodeNaming.h"
#include "DbConnection.h"
#include "DocumentReads.h"
#include "StationDatabasePaths.h"
#include "StationDbBuilder.h"
#include "StoredHistory.h"
#include "TestSupport.h"

#include <QCryptographicHash>
#include <QFile>

#include <gtest/gtest.h>

#include <set>

using namespace history;

namespace {

QString sample(const char* name) { return "image:" + test::sourcePath(QString("data/cards/") + name); }

QByteArray fileHash(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

// A private home without the sample names: every code of the sample cards
// is unknown.
struct Naming : ::testing::Test {
    test::IsolatedHome home;
    RecordingMessageSink messages;
    ScopedMessageSink sink{&messages};
    test::LibrarySession session;

    std::unique_ptr<CKuvoraDoc> read(const char* card, int mode) {
        return test::ReadDocument(session, sample(card), mode);
    }
    std::unique_ptr<CKuvoraDoc> stored(const QString& idm, int cardType) {
        auto doc = std::make_unique<CKuvoraDoc>();
        CHistoryTable table;
        LoadStoredHistory(table, *doc, idm, cardType);
        return doc;
    }
    static NameKey key(const char* table, std::vector<int> values) {
        return NameKey{FindStationCodeTable(table), std::move(values)};
    }
    // The rows (departure or arrival) whose station text is `name`.
    static int cellsNamed(const CKuvoraDoc& doc, const QString& name) {
        int n = 0;
        for (int row = 0; row < doc.m_nRows; ++row)
            n += (doc.m_History.Text(DepartureStation, row) == name) + (doc.m_History.Text(ArrivalStation, row) == name);
        return n;
    }
};

}  // namespace

// The key of each kind of cell is the one the card class looks up, area
// rules included, for a row just read and for the same row reloaded.
TEST_F(Naming, KeysAreTheCardsOwnLookups) {
    auto suica = read("suica-sample.json", 1);
    EXPECT_EQ(NameKeyOfRow(*suica, 0, NameSide::Departure), key("StationCode", {0, 0x01, 0x10}));
    EXPECT_EQ(NameKeyOfRow(*suica, 3, NameSide::Arrival), key("StationCode", {1, 0x85, 0x02}));  // issuer kind 1
    EXPECT_EQ(NameKeyOfRow(*suica, 2, NameSide::Arrival), key("ShopCode", {1, 0xC7, 0x05, 0x01}));
    EXPECT_EQ(NameKeyOfRow(*suica, 2, NameSide::Departure), std::nullopt);  // a shop has no departure
    EXPECT_EQ(NameKeyOfRow(*suica, 4, NameSide::Departure), key("BusCode", {0x0102, 0x0304}));
    EXPECT_EQ(NameKeyOfRow(*suica, 4, NameSide::Arrival), std::nullopt);

    auto kind2 = read("suica-kind2-sample.json", 1);
    EXPECT_EQ(NameKeyOfRow(*kind2, 0, NameSide::Departure), key("StationCode", {2, 0x85, 0x02}));
    // Reloaded from History.db: the issuer kind was stored with the rows.
    auto reloaded = stored(kind2->m_strIDm, 1);
    ASSERT_EQ(reloaded->m_History.Text(BlockData, 0), kind2->m_History.Text(BlockData, 0));
    EXPECT_EQ(NameKeyOfRow(*reloaded, 0, NameSide::Departure), key("StationCode", {2, 0x85, 0x02}));

    auto setamaru = read("setamaru-sample.json", 4);
    EXPECT_EQ(NameKeyOfRow(*setamaru, 0, NameSide::Departure), key("StationCode", {1, 0x2A, 0x02}));
    auto nice = read("nicepass-sample.json", 7);
    const auto niceKey = NameKeyOfRow(*nice, 0, NameSide::Departure);
    ASSERT_TRUE(niceKey);
    EXPECT_EQ(niceKey->table, FindStationCodeTable("NICECode"));
    EXPECT_EQ(niceKey->values[0], 0);
}

// A name given to a key lands in the user's database under that key and
// shows in every row with it: the document's, the stored ones, and a new
// read's. The shipped database stays as it was.
TEST_F(Naming, ANameReachesEveryRowWithItsKey) {
    const QByteArray shipped = fileHash(StationCodeDatabasePath());
    ASSERT_FALSE(shipped.isEmpty());
    auto doc = read("suica-kind2-sample.json", 1);
    const auto k = NameKeyOfRow(*doc, 0, NameSide::Departure);  // area 2, line 0x85, station 0x02
    ASSERT_TRUE(k);
    const int before = cellsNamed(*doc, "未登録");
    CHistoryTable table;
    QString error;
    ASSERT_EQ(GiveName({*k, "見本二区駅", "見本二区鉄道"}, table, doc.get(), error), NamingResult::Named)
        << error.toStdString();
    const int named = cellsNamed(*doc, "見本二区駅");
    EXPECT_GE(named, 3);  // the code is on both sides of several rows
    EXPECT_EQ(cellsNamed(*doc, "未登録"), before - named);
    EXPECT_EQ(doc->m_History.Text(DepartureCompany, 0), "見本二区鉄道");

    std::vector<StationCsv> user;
    ASSERT_TRUE(ReadUserNames(UserStationCodeDatabasePath(), "StationCode", user, error));
    ASSERT_EQ(user.size(), 1u);
    EXPECT_EQ(user[0].rows, (std::vector<QStringList>{{"2", "133", "2", "見本二区鉄道", "", "見本二区駅", ""}}));

    auto reloaded = stored(doc->m_strIDm, 1);
    auto again = read("suica-kind2-sample.json", 1);
    for (int row = 0; row < doc->m_nRows; ++row)
        for (int c : {DepartureCompany, DepartureStation, ArrivalCompany, ArrivalStation}) {
            EXPECT_EQ(reloaded->m_History.Text(c, row), doc->m_History.Text(c, row)) << row << ColumnName(c);
            EXPECT_EQ(again->m_History.Text(c, row), doc->m_History.Text(c, row)) << row << ColumnName(c);
        }
    // The same codes on a card of issuer kind 1 are another key (area 1).
    auto kind1 = read("suica-sample.json", 1);
    EXPECT_EQ(cellsNamed(*kind1, "見本二区駅"), 0);
    EXPECT_EQ(fileHash(StationCodeDatabasePath()), shipped);
    EXPECT_TRUE(messages.messages.isEmpty()) << messages.messages.join('|').toStdString();
}

// A History.db that is damaged is not written; the name still goes to the
// user's database and the document.
TEST_F(Naming, ADamagedHistoryIsNotWritten) {
    auto doc = read("suica-sample.json", 1);
    CHistoryTable table;
    QFile f(table.Path());
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    f.seek(100);
    f.write(QByteArray(4096, 'x'));
    f.close();
    const QByteArray damaged = fileHash(table.Path());
    QString error;
    const auto k = NameKeyOfRow(*doc, 0, NameSide::Departure);
    ASSERT_TRUE(k);
    EXPECT_EQ(GiveName({*k, "見本中央", "見本鉄道"}, table, doc.get(), error), NamingResult::StoredRowsFailed);
    EXPECT_TRUE(error.contains("not changed")) << error.toStdString();
    EXPECT_EQ(fileHash(table.Path()), damaged);
    EXPECT_EQ(doc->m_History.Text(DepartureStation, 0), "見本中央");
    // A key that is not a table's key is refused before anything is written.
    EXPECT_EQ(GiveName({key("StationCode", {1, 2}), "x", ""}, table, doc.get(), error), NamingResult::NotWritten);
}

// A name of characters beyond U+FFFF is limited by characters: 255 of them
// reach the rows whole (the document's, the stored ones, a new read's
// lookups), 256 are refused.
TEST_F(Naming, NamesBeyondTheBasicPlaneCountByCharacter) {
    const QString kichi = QString::fromUcs4(U"\U00020BB7", 1);
    const QString longest = kichi.repeated(kMaxColumnText);
    auto doc = read("suica-sample.json", 1);
    const auto k = NameKeyOfRow(*doc, 0, NameSide::Departure);
    ASSERT_TRUE(k);
    CHistoryTable table;
    QString error;
    ASSERT_EQ(GiveName({*k, longest, longest}, table, doc.get(), error), NamingResult::Named) << error.toStdString();
    auto reloaded = stored(doc->m_strIDm, 1);
    // Without History.db the next read's rows come from the lookups.
    ASSERT_TRUE(QFile::remove(table.Path()));
    auto again = read("suica-sample.json", 1);
    for (const CKuvoraDoc* d : {doc.get(), reloaded.get(), again.get()}) {
        EXPECT_EQ(d->m_History.Text(DepartureStation, 0), longest);
        EXPECT_EQ(d->m_History.Text(DepartureCompany, 0), longest);
    }
    EXPECT_EQ(GiveName({*k, longest + kichi, ""}, table, doc.get(), error), NamingResult::NotWritten);
    EXPECT_EQ(GiveName({*k, "", longest + "x"}, table, doc.get(), error), NamingResult::NotWritten);
    EXPECT_TRUE(error.contains("at most 255 characters")) << error.toStdString();

    const struct {
        QString text;
        int width;
        QString cut;
    } cuts[] = {
        {longest + kichi, 255, longest},
        {"a" + kichi + "b", 2, "a" + kichi},
        {kichi + kichi, 1, kichi},
        {QString(300, 'x'), 255, QString(255, 'x')},
        {"abc", 0, ""},
    };
    for (const auto& c : cuts) EXPECT_EQ(CutToWidth(c.text, c.width), c.cut) << c.text.size() << "/" << c.width;
    EXPECT_EQ(CharacterCount(longest), 255);
}

// kuvora-stationdb import hands its names to the stored rows; export writes
// them back in the import's layout, so a fresh home imports the same names.
TEST_F(Naming, ImportReachesStoredRowsAndExportRoundTrips) {
    auto doc = read("suica-sample.json", 1);
    const QString tool = test::binaryPath("bin/kuvora-stationdb");
    QFile csv(home.file("names.csv"));
    ASSERT_TRUE(csv.open(QIODevice::WriteOnly));
    csv.write("AreaCode,LineCode,StationCode,CompanyName,LineName,StationName,Note\n"
              "0,0x01,0x10,見本鉄道,見本本線,見本中央,\n1,0x85,0x02,見本急行,,見本急行港,\n");
    csv.close();
    const auto imported = test::runInHome(home, tool, {"import", csv.fileName()});
    ASSERT_EQ(imported.exitCode, 0) << imported.err.toStdString();
    EXPECT_TRUE(imported.out.contains("named")) << imported.out.toStdString();
    auto reloaded = stored(doc->m_strIDm, 1);
    EXPECT_EQ(reloaded->m_History.Text(DepartureStation, 0), "見本中央");
    EXPECT_EQ(reloaded->m_History.Text(DepartureCompany, 0), "見本鉄道");
    EXPECT_EQ(reloaded->m_History.Text(ArrivalStation, 3), "見本急行港");
    EXPECT_EQ(cellsNamed(*reloaded, "未登録"), cellsNamed(*read("suica-sample.json", 1), "未登録"));

    const auto exported = test::runInHome(home, tool, {"export", home.file("out")});
    ASSERT_EQ(exported.exitCode, 0) << exported.err.toStdString();
    test::IsolatedHome fresh;
    const auto again = test::runInHome(fresh, tool, {"import", home.file("out/StationCode.csv")});
    ASSERT_EQ(again.exitCode, 0) << again.err.toStdString();
    const auto listA = test::runInHome(home, tool, {"list"});
    const auto listB = test::runInHome(fresh, tool, {"list"});
    EXPECT_EQ(listB.out, listA.out);
    EXPECT_TRUE(listA.out.contains("見本急行港"));
}

// Each card type's stored rows are found by the codes its rows show: a name
// given to the first named cell of each sample card reaches its stored row.
TEST_F(Naming, StoredRowsOfEveryTableAreFound) {
    const std::pair<const char*, int> cards[] = {{"ica-sample.json", 3},     {"nicepass-sample.json", 7},
                                                 {"cica-sample.json", 6},    {"passca-sample.json", 11},
                                                 {"setamaru-sample.json", 4}, {"iruca-sample.json", 2},
                                                 {"suica-sample.json", 1}};
    CHistoryTable table;
    for (const auto& [card, mode] : cards) {
        auto doc = read(card, mode);
        std::set<std::pair<const TableDef*, NameSide>> tried;  // each table on each side once
        for (int row = 0; row < doc->m_nRows; ++row)
            for (NameSide side : {NameSide::Departure, NameSide::Arrival}) {
                const auto k = NameKeyOfRow(*doc, row, side);
                const int column = side == NameSide::Departure ? DepartureStation : ArrivalStation;
                if (!k || doc->m_History.Text(column, row) != "未登録" || !tried.insert({k->table, side}).second)
                    continue;
                const QString name = QString("名%1-%2").arg(card).arg(row);
                QString error;
                ASSERT_EQ(GiveName({*k, name, ""}, table, nullptr, error), NamingResult::Named) << error.toStdString();
                EXPECT_EQ(stored(doc->m_strIDm, doc->m_nCardType)->m_History.Text(column, row), name)
                    << card << " row " << row << " " << k->table->name;
            }
    }
}

// A naming that has to build the code indexes of a larger History.db keeps
// calling its progress callback from inside that work (more often than once
// per name), and names the same rows as without one.
TEST_F(Naming, TheFirstNamingOnALargeHistoryReportsProgress) {
    auto doc = read("suica-sample.json", 1);
    CHistoryTable table;
    {
        CDbConnection db;
        ASSERT_FALSE(DbFailed(table.Open(db)));
        // 60,000 rows of other cards, none with the named code.
        ASSERT_FALSE(DbFailed(db.Execute(
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 60000) "
            "INSERT INTO History (IDm, CardType, BlockData, ALineCode, AStationCode, PLineCode, PStationCode, "
            "ACompanyName, AStationName, PCompanyName, PStationName, Balance, Charge, Point, PointBalance, Serial) "
            "SELECT printf('0202%012X', i % 500), 1, printf('16010000350000%02X%02X%02X%02X03E8%06X00', "
            "20 + i % 100, 1 + i % 200, 20 + i % 90, 2, i), printf('%02X', 20 + i % 100), printf('%02X', 1 + i % 200), "
            "printf('%02X', 20 + i % 90), '02', '未登録', '未登録', '未登録', '未登録', 1000, 210, 0, 0, i FROM n")));
    }
    const auto k = NameKeyOfRow(*doc, 0, NameSide::Departure);
    ASSERT_TRUE(k);
    int pulses = 0;
    QString error;
    ASSERT_EQ(GiveName({*k, "見本中央", "見本鉄道"}, table, doc.get(), error, [&] { ++pulses; }), NamingResult::Named)
        << error.toStdString();
    EXPECT_GT(pulses, 1);
    auto reloaded = stored(doc->m_strIDm, 1);
    EXPECT_EQ(cellsNamed(*reloaded, "見本中央"), cellsNamed(*doc, "見本中央"));
    EXPECT_GE(cellsNamed(*doc, "見本中央"), 1);
}

// A process killed between the commit of its names and the naming of the
// stored rows leaves the names with a mark: a naming after it names every
// stored row the user has a name for, and the next run of kuvora-cli read
// does the naming before it shows the stored rows. The mark then goes.
TEST_F(Naming, ANamingLeftUndoneByAKilledProcessIsDoneLater) {
    auto doc = read("suica-sample.json", 1);
    const QString overlay = UserStationCodeDatabasePath();
    const auto first = NameKeyOfRow(*doc, 0, NameSide::Departure);
    const auto second = NameKeyOfRow(*doc, 3, NameSide::Arrival);
    const auto third = NameKeyOfRow(*doc, 4, NameSide::Departure);
    ASSERT_TRUE(first && second && third);
    // What each killed process left: its names committed, its mark with them.
    auto killedAfterCommit = [&](const NameKey& key, const QString& name) {
        QStringList errors;
        ImportCount written;
        ASSERT_TRUE(WriteUserNames(overlay, {UserNameRow({key, name, "見本鉄道"})}, errors, &written));
        qint64 mark = 0;
        QString error;
        ASSERT_TRUE(PendingHistoryNaming(overlay, mark, error)) << error.toStdString();
        EXPECT_EQ(mark, written.namingMark);
        EXPECT_NE(mark, 0);
    };
    auto pending = [&] {
        qint64 mark = -1;
        QString error;
        EXPECT_TRUE(PendingHistoryNaming(overlay, mark, error)) << error.toStdString();
        return mark != 0;
    };
    killedAfterCommit(*first, "見本中央");
    EXPECT_EQ(cellsNamed(*stored(doc->m_strIDm, 1), "見本中央"), 0);
    CHistoryTable table;
    QString error;
    ASSERT_EQ(GiveName({*second, "見本急行港", ""}, table, nullptr, error), NamingResult::Named) << error.toStdString();
    auto reloaded = stored(doc->m_strIDm, 1);
    EXPECT_GE(cellsNamed(*reloaded, "見本中央"), 1);
    EXPECT_GE(cellsNamed(*reloaded, "見本急行港"), 1);
    EXPECT_FALSE(pending());

    killedAfterCommit(*third, "見本バス停");
    const auto cli = test::runInHome(home, test::binaryPath("bin/kuvora-cli"),
                                     {"read", "--reader", sample("suica-sample.json"), "--mode", "1"});
    ASSERT_EQ(cli.exitCode, 0) << cli.err.toStdString();
    EXPECT_GE(cellsNamed(*stored(doc->m_strIDm, 1), "見本バス停"), 1);
    EXPECT_TRUE(cli.out.contains("\"DepartureStation\": \"見本バス停\"")) << cli.out.toStdString();
    EXPECT_FALSE(pending());
}
