#include "CHistoryTable.h"
#include "CKuvoraDoc.h"
#include "CodeNaming.h"
#include "DocumentReads.h"
#include "StationDatabasePaths.h"
#include "StationNameTransfer.h"
#include "StoredHistory.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace history;

namespace {

struct Transfer : ::testing::Test {
    test::IsolatedHome home;
    RecordingMessageSink messages;
    ScopedMessageSink sink{&messages};
    test::LibrarySession session;
    CHistoryTable history;

    std::unique_ptr<CKuvoraDoc> readSuica() {
        return test::ReadDocument(session, "image:" + test::sourcePath("data/cards/suica-sample.json"), 1);
    }
    StationImport import(const QStringList& files, CKuvoraDoc* doc = nullptr) {
        return ImportStationTables(files, QString(), CsvEncoding::Detect, UserStationCodeDatabasePath(), history, doc);
    }
    QString write(const QString& name, const QByteArray& bytes) const {
        const QString path = home.file(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
        return path;
    }
    static int cellsNamed(const CKuvoraDoc& doc, const QString& name) {
        int n = 0;
        for (int row = 0; row < doc.m_nRows; ++row)
            n += (doc.m_History.Text(DepartureStation, row) == name) + (doc.m_History.Text(ArrivalStation, row) == name);
        return n;
    }
    static std::vector<StationCsv> userRows() {
        std::vector<StationCsv> rows;
        QString error;
        EXPECT_TRUE(ReadUserNames(UserStationCodeDatabasePath(), QString(), rows, error)) << error.toStdString();
        return rows;
    }
};

const QByteArray kStations = "AreaCode,LineCode,StationCode,CompanyName,LineName,StationName,Note\r\n"
                             "0,0x01,0x10,見本鉄道,見本線,見本中央,\r\n"
                             "0,1,0x30,見本鉄道,見本線,見本公園,\r\n"
                             "1,0x85,0x02,見本急行,見本急行線,見本港,\r\n";

}  // namespace

// An import writes the rows, and the stored rows, the shown rows and the
// shown gate log take the names at once.
TEST_F(Transfer, ImportNamesStoredAndShownRowsAndTheGateLog) {
    auto doc = readSuica();
    ASSERT_EQ(doc->m_GateLog[0][3], "未登録");
    const StationImport result = import({write("StationCode.csv", kStations)}, doc.get());
    ASSERT_TRUE(result.imported) << result.errors.join('\n').toStdString();
    EXPECT_EQ(result.rows.added, 3);
    EXPECT_GT(result.namedStoredCells, 0);
    EXPECT_GT(cellsNamed(*doc, "見本中央"), 0);
    EXPECT_EQ(doc->m_GateLog[0][3], "見本公園");  // line 01, station 30
    EXPECT_EQ(doc->m_GateLog[2][3], "見本港");    // line 85 of issuer kind 1: area 1
    EXPECT_EQ(doc->m_GateLog[2][5], "見本公園");  // the near station
    auto stored = std::make_unique<CKuvoraDoc>();
    LoadStoredHistory(history, *stored, doc->m_strIDm, 1);
    EXPECT_EQ(cellsNamed(*stored, "見本中央"), cellsNamed(*doc, "見本中央"));
    EXPECT_TRUE(messages.messages.isEmpty()) << messages.messages.join('|').toStdString();
}

// One bad line in any file: nothing of any file goes in, and every problem
// is listed with its file and line.
TEST_F(Transfer, AnyBadLineImportsNothing) {
    auto doc = readSuica();
    const QString good = write("StationCode.csv", kStations);
    const QString bad = write("BusCode.csv", "BusLineCode,BusStationCode,BusCompanyName,BusLineName,BusStationName,BusNote\n"
                                             "258,772,見本バス,,見本停留所,\n"
                                             "x,1,見本バス,,見本二,\n"
                                             "258,772,見本バス,,見本三,\n");
    const StationImport result = import({good, bad}, doc.get());
    EXPECT_FALSE(result.imported);
    ASSERT_EQ(result.errors.size(), 2) << result.errors.join('\n').toStdString();
    EXPECT_TRUE(result.errors[0].startsWith(bad + ":3: BusLineCode")) << result.errors[0].toStdString();
    EXPECT_EQ(result.errors[1], bad + ":4: the same codes as line 2");
    EXPECT_TRUE(userRows().empty());
    EXPECT_EQ(cellsNamed(*doc, "見本中央"), 0);
}

// The export writes what the import takes back: a file per table with rows
// into a folder, or one table's rows (its header alone when it has none)
// into a file.
TEST_F(Transfer, ExportIsWhatImportTakesBack) {
    ASSERT_TRUE(import({write("StationCode.csv", kStations)}).imported);
    const StationExport folder = ExportStationTables(UserStationCodeDatabasePath(), home.file("out/names"), QString());
    ASSERT_TRUE(folder.written) << folder.error.toStdString();
    ASSERT_EQ(folder.files.size(), 1u);
    EXPECT_EQ(folder.files[0], std::make_pair(home.file("out/names/StationCode.csv"), 3));
    QFile exported(folder.files[0].first);
    ASSERT_TRUE(exported.open(QIODevice::ReadOnly));
    EXPECT_TRUE(exported.readAll().startsWith("\xEF\xBB\xBF" "AreaCode,LineCode"));

    const std::vector<StationCsv> before = userRows();
    ASSERT_TRUE(QFile::remove(UserStationCodeDatabasePath()));
    ASSERT_TRUE(import({folder.files[0].first}).imported);
    const std::vector<StationCsv> after = userRows();
    ASSERT_EQ(after.size(), 1u);
    EXPECT_EQ(after[0].rows, before[0].rows);

    const StationExport one = ExportStationTables(UserStationCodeDatabasePath(), home.file("bus.csv"), "BusCode");
    ASSERT_TRUE(one.written);
    QFile bus(home.file("bus.csv"));
    ASSERT_TRUE(bus.open(QIODevice::ReadOnly));
    EXPECT_EQ(bus.readAll(), "\xEF\xBB\xBF" "BusLineCode,BusStationCode,BusCompanyName,BusLineName,BusStationName,BusNote\r\n");
    EXPECT_FALSE(ExportStationTables(UserStationCodeDatabasePath(), home.file("x.csv"), "NoSuchTable").written);
}

// A name given with its line keeps the line in the user's row, and the gate
// log shown takes the name as the grid does.
TEST_F(Transfer, AGivenNameKeepsItsLineAndNamesTheGateLog) {
    auto doc = readSuica();
    const NameKey park{FindStationCodeTable("StationCode"), {0, 0x01, 0x30}};
    QString error;
    ASSERT_EQ(GiveName({park, "見本公園", "見本鉄道", "見本線"}, history, doc.get(), error), NamingResult::Named)
        << error.toStdString();
    EXPECT_EQ(doc->m_GateLog[0][3], "見本公園");
    EXPECT_EQ(doc->m_GateLog[2][5], "見本公園");
    EXPECT_EQ(doc->m_GateLog[2][3], "未登録");
    const std::vector<StationCsv> rows = userRows();
    ASSERT_EQ(rows.size(), 1u);
    ASSERT_EQ(rows[0].rows.size(), 1u);
    EXPECT_EQ(rows[0].rows[0], QStringList({"0", "1", "48", "見本鉄道", "見本線", "見本公園", ""}));
}
