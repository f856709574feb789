#include "CDbLookup.h"
#include "Cp932.h"
#include "StationDatabasePaths.h"
#include "StationDbBuilder.h"
#include "StationLookups.h"
#include "TestSupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <sys/stat.h>

#include <gtest/gtest.h>

namespace {

const QString kStations = QStringLiteral(
    "AreaCode,LineCode,StationCode,CompanyName,LineName,StationName,Note\n"
    "0,1,16,鉄道A,本線,中央,\n"
    "1,0x85,2,急行B,急行線,中町,note\n"
    "2,0x85,2,地下鉄C,一号線,本町,\n");

const TableDef& stationTable() { return *FindStationCodeTable("StationCode"); }

QString lookup(CDbLookup& l, int area, int line, int station, DbResult* code = nullptr) {
    QString name;
    const DbResult r = LookupName(l, sql::kRailStation, {area, line, station}, "StationName", name);
    if (code) *code = r;
    return name;
}

QByteArray digest(const QString& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

}  // namespace

TEST(StationDb, LookupsFindNamesAndTellNoRowFromFailure) {
    test::IsolatedHome home;
    test::StationDatabase db(home, {{"StationCode", kStations}});
    CDbLookup l(stationTable());
    ASSERT_EQ(l.Open(), DB_OK);
    DbResult r;
    EXPECT_EQ(lookup(l, 0, 1, 16, &r), "中央");
    EXPECT_EQ(r, DB_OK);
    EXPECT_EQ(lookup(l, 1, 0x85, 2), "中町");
    EXPECT_EQ(lookup(l, 2, 0x85, 2), "本町");
    EXPECT_EQ(lookup(l, 0, 0x85, 2, &r), "未登録");
    EXPECT_EQ(r, DB_S_ENDOFROWSET);
    // A table the database lacks is a failure, and still "未登録".
    CDbLookup shops(*FindStationCodeTable("ShopCode"));
    ASSERT_EQ(shops.Open(), DB_OK);
    QString name;
    EXPECT_TRUE(DbFailed(LookupName(shops, "SELECT ShopName FROM NoSuchTable WHERE AreaCode = ?", {1}, "ShopName", name)));
    EXPECT_EQ(name, "未登録");
    // The record is cleared before a fetch and only the columns asked for are read.
    ASSERT_EQ(l.OpenQuery("SELECT StationName FROM StationCode WHERE AreaCode = 1", {}), DB_OK);
    ASSERT_EQ(l.MoveNext(), DB_OK);
    EXPECT_EQ(l.Text("StationName"), "中町");
    EXPECT_EQ(l.Text("CompanyName"), "");
    EXPECT_EQ(l.MoveNext(), DB_S_ENDOFROWSET);
    l.CloseQuery();
    // Statements are kept between queries: a rowset left half read, another
    // text and a failed query leave the next look-up as it was.
    ASSERT_EQ(l.OpenQuery("SELECT StationName FROM StationCode ORDER BY AreaCode", {}), DB_OK);
    ASSERT_EQ(l.MoveNext(), DB_OK);
    l.CloseQuery();
    EXPECT_TRUE(DbFailed(LookupName(l, "SELECT StationName FROM NoSuchTable", {}, "StationName", name)));
    EXPECT_EQ(lookup(l, 2, 0x85, 2), "本町");
    EXPECT_EQ(lookup(l, 0, 0x85, 2), "未登録");
    ASSERT_EQ(l.OpenQuery("SELECT StationName FROM StationCode ORDER BY AreaCode", {}), DB_OK);
    ASSERT_EQ(l.MoveNext(), DB_OK);
    EXPECT_EQ(l.Text("StationName"), "中央");
    l.CloseQuery();
}

TEST(StationDb, LookupWithoutConnectionFailsAtOnce) {
    test::IsolatedHome home;
    SetStationCodeDatabasePath(home.file("missing/StationCode.db"));
    CDbLookup l(stationTable());
    EXPECT_TRUE(DbFailed(l.Open()));
    DbResult r;
    EXPECT_EQ(lookup(l, 0, 1, 16, &r), "未登録");
    EXPECT_EQ(r, DB_E_FAIL);
    // A file that is not a database does not open either.
    writeFile(home.file("garbage.db"), "this is not a database at all, just text");
    SetStationCodeDatabasePath(home.file("garbage.db"));
    EXPECT_TRUE(DbFailed(l.Open()));
    SetStationCodeDatabasePath(QString());
}

TEST(StationDb, UserNamesComeFirstAndShippedNamesStay) {
    test::IsolatedHome home;
    test::StationDatabase db(home, {{"StationCode", kStations}});
    const QByteArray shippedBefore = digest(db.path());
    const QString csv = home.file("mine.csv");
    writeFile(csv, "LineCode,AreaCode,StationCode,StationName,CompanyName,LineName,Note\n"
                   "1,0,16,私の中央,,,\n"
                   "2,0,1,私の駅,私鉄,線,\"a, quoted \"\"note\"\"\"\n");
    QStringList errors;
    ImportCount rows;
    ASSERT_TRUE(ImportUserNames(UserStationCodeDatabasePath(), {csv}, "StationCode", errors, &rows)) << errors.join('\n').toStdString();
    EXPECT_EQ(rows.added, 2);
    EXPECT_EQ(rows.replaced, 0);
    CDbLookup l(stationTable());
    ASSERT_EQ(l.Open(), DB_OK);
    EXPECT_EQ(lookup(l, 0, 1, 16), "私の中央");
    EXPECT_EQ(lookup(l, 0, 2, 1), "私の駅");
    EXPECT_EQ(lookup(l, 1, 0x85, 2), "中町");
    l.Close();
    EXPECT_EQ(digest(db.path()), shippedBefore);  // opened read-only

    // A broken file in place of the user's database: the shipped names still work.
    QFile::remove(UserStationCodeDatabasePath());
    writeFile(UserStationCodeDatabasePath(), "broken");
    ASSERT_EQ(l.Open(), DB_OK);
    EXPECT_EQ(lookup(l, 0, 1, 16), "中央");
}

TEST(StationDb, BatchedLookupsLetGoOfTheFilesWhenTheOutermostBatchEnds) {
    test::IsolatedHome home;
    test::StationDatabase db(home, {{"StationCode", kStations}});
    const QString csv = home.file("mine.csv");
    auto name = [&](const char* station) {
        writeFile(csv, QByteArray("AreaCode,LineCode,StationCode,CompanyName,LineName,StationName,Note\n0,1,16,,,") + station + ",\n");
        QStringList errors;
        const bool done = ImportUserNames(UserStationCodeDatabasePath(), {csv}, "StationCode", errors);
        return done ? ::testing::AssertionSuccess() : ::testing::AssertionFailure() << errors.join('\n').toStdString();
    };
    ASSERT_TRUE(name("私の中央"));
    CDbLookup l(stationTable());
    ASSERT_EQ(l.Open(), DB_OK);
    {
        const StationLookupBatch outer;
        {
            const StationLookupBatch inner;
            EXPECT_EQ(lookup(l, 0, 1, 16), "私の中央");
        }
        EXPECT_EQ(lookup(l, 1, 0x85, 2), "中町");
        CDbLookup shortLived(stationTable());  // gone before the batch ends
        ASSERT_EQ(shortLived.Open(), DB_OK);
        EXPECT_EQ(lookup(shortLived, 2, 0x85, 2), "本町");
    }
    // A read transaction still held would keep the writer out, or show the old name.
    ASSERT_TRUE(name("新しい中央"));
    EXPECT_EQ(lookup(l, 0, 1, 16), "新しい中央");
}

TEST(StationDb, ImportReportsEveryBadLineAndImportsNothing) {
    test::IsolatedHome home;
    const QString good = home.file("BusCode.csv");
    writeFile(good, "BusLineCode,BusStationCode,BusCompanyName,BusLineName,BusStationName,BusNote\n"
                    "258,772,バス,線,停留所,\n");
    const QString bad = home.file("stations.csv");
    writeFile(bad, "AreaCode,LineCode,StationCode,CompanyName,LineName,StationName,Note\n"
                   "0,1,300,a,b,c,d\n"
                   "0,1\n"
                   "x,1,2,a,b,c,d\n"
                   "0,1,3,a,b,c,d\n"
                   "0,1,3,e,f,g,h\n");
    QStringList errors;
    EXPECT_FALSE(ImportUserNames(UserStationCodeDatabasePath(), {good, bad}, QString(), errors));
    const QString file = bad;
    EXPECT_EQ(errors, QStringList({file + ":2: StationCode: expected a number from 0 to 255, found \"300\"",
                                   file + ":3: 2 fields, expected 7",
                                   file + ":4: AreaCode: expected a number from 0 to 255, found \"x\"",
                                   file + ":6: the same codes as line 5"}));
    EXPECT_FALSE(QFile::exists(UserStationCodeDatabasePath()));

    errors.clear();
    writeFile(bad, "AreaCode,LineCode,Station,CompanyName,LineName,StationName,Note\n");
    EXPECT_FALSE(ImportUserNames(UserStationCodeDatabasePath(), {bad}, "StationCode", errors));
    ASSERT_EQ(errors.size(), 2);
    EXPECT_TRUE(errors[0].startsWith(file + ":1: column StationCode is missing"));
    EXPECT_EQ(errors[1], file + ":1: column Station does not belong to StationCode");

    errors.clear();
    writeFile(bad, "\xFF\xFE not text");
    EXPECT_FALSE(ImportUserNames(UserStationCodeDatabasePath(), {bad}, "StationCode", errors));
    EXPECT_EQ(errors, QStringList({file + ": neither UTF-8 nor CP932 text"}));
}

// A name holding a control character would split the cells and lines of
// the exports: each such line is refused, naming the file and the line.
TEST(StationDb, ImportRefusesNamesWithControlCharacters) {
    test::IsolatedHome home;
    const QString file = home.file("stations.csv");
    const struct {
        QByteArray field;  // as written in the file
        const char* code;
    } cases[] = {{"\"a\tb\"", "0009"}, {"\"a\nb\"", "000A"}, {"\"a\rb\"", "000D"},
                 {"a\x01z", "0001"},     {"a\x1Fz", "001F"},     {"\x7F", "007F"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        writeFile(file, "AreaCode,LineCode,StationCode,CompanyName,LineName,StationName,Note\n"
                        "0,1,2,a,b,c,d\n"
                        "0,1,3,a,b," + c.field + ",d\n");
        QStringList errors;
        EXPECT_FALSE(ImportUserNames(UserStationCodeDatabasePath(), {file}, "StationCode", errors));
        EXPECT_EQ(errors, QStringList({file + ":3: StationName: holds the control character U+" + c.code}));
        EXPECT_FALSE(QFile::exists(UserStationCodeDatabasePath()));
    }
}

// A table passed between users is untrusted: a code that is not all digits
// (a NUL inside included), a header naming a column twice, and names that
// would split lines or show reversed are each refused with the file, the
// line and the column, and nothing is imported. Codes in digits, hex and
// with blanks around them, and a name that begins with U+FEFF, go in.
TEST(StationDb, ImportRefusesWhatCodesAndNamesMayNotHold) {
    test::IsolatedHome home;
    const QString file = home.file("stations.csv");
    const QByteArray header = "AreaCode,LineCode,StationCode,CompanyName,LineName,StationName,Note\n";
    const struct {
        QByteArray text;  // after the header line, unless it is a header itself
        QString problem;  // empty: imported
    } cases[] = {
        {QByteArray("0,1\0zzz,16,a,b,c,d\n", 19), ":2: LineCode: holds the control character U+0000"},
        {"0,1zzz,16,a,b,c,d\n", ":2: LineCode: expected a number from 0 to 255, found \"1zzz\""},
        {"0,+1,16,a,b,c,d\n", ":2: LineCode: expected a number from 0 to 255, found \"+1\""},
        {"0,1,1e1,a,b,c,d\n", ":2: StationCode: expected a number from 0 to 255, found \"1e1\""},
        {"AreaCode,areacode,LineCode,StationCode,CompanyName,LineName,StationName,Note\n",
         ":1: areacode: the column is named twice"},
        {"0,1,16,a,b,x\u202Ey,d\n", ":2: StationName: holds the control character U+202E"},
        {"0,1,16,\u202Aa,b,c,d\n", ":2: CompanyName: holds the control character U+202A"},
        {"0,1,16,a,\u2066b\u2069,c,d\n", ":2: LineName: holds the control character U+2066"},
        {"0,1,16,a,b,c\u2028d,d\n", ":2: StationName: holds the control character U+2028"},
        {"0,1,16,a,b,c,\u2029\n", ":2: Note: holds the control character U+2029"},
        {" 0 ,0x1f, 16,a,b,\uFEFF駅,d\n", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.problem.toStdString());
        QFile::remove(UserStationCodeDatabasePath());
        writeFile(file, c.text.startsWith("AreaCode") ? c.text + "0,1,2,a,b,c,d\n" : header + c.text);
        QStringList errors;
        const bool imported = ImportUserNames(UserStationCodeDatabasePath(), {file}, "StationCode", errors);
        EXPECT_EQ(imported, c.problem.isEmpty());
        EXPECT_EQ(errors, c.problem.isEmpty() ? QStringList() : QStringList{file + c.problem});
        EXPECT_EQ(QFile::exists(UserStationCodeDatabasePath()), imported);
    }
    // The name that begins with U+FEFF keeps it when read back.
    const QString bomName = QChar(0xFEFF) + QString("駅");
    std::vector<StationCsv> rows;
    QString error;
    ASSERT_TRUE(ReadUserNames(UserStationCodeDatabasePath(), QString(), rows, error));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].rows, std::vector<QStringList>({{"0", "31", "16", "a", "b", bomName, "d"}}));
    CDbLookup l(stationTable());
    ASSERT_EQ(l.Open(), DB_OK);
    EXPECT_EQ(lookup(l, 0, 31, 16), bomName);
}

// However many lines are wrong, the first 100 problems are listed and the
// rest counted on one more line, over all the files of one import.
TEST(StationDb, ABadTableListsAHundredProblemsAndCountsTheRest) {
    test::IsolatedHome home;
    QByteArray lines = "AreaCode,LineCode,StationCode,CompanyName,LineName,StationName,Note\n";
    for (int i = 0; i < 1000; ++i) lines += "0,0,0\n";  // 999 lines repeat the codes of line 2
    const QString a = home.file("a.csv"), b = home.file("b.csv");
    writeFile(a, lines);
    writeFile(b, lines);
    for (const auto& [files, more] : {std::pair<QStringList, int>{{a}, 899}, std::pair<QStringList, int>{{a, b}, 1898}}) {
        QStringList errors;
        EXPECT_FALSE(ImportUserNames(UserStationCodeDatabasePath(), files, "StationCode", errors));
        ASSERT_EQ(errors.size(), kListedProblems + 1);
        EXPECT_EQ(errors[0], a + ":3: the same codes as line 2");
        EXPECT_EQ(errors[99], a + ":102: the same codes as line 2");
        EXPECT_EQ(errors[100], QString("and %1 more problems").arg(more));
    }
    QStringList one(kListedProblems, "x");
    AddProblem(one, "y");
    EXPECT_EQ(one.last(), "and 1 more problem");
}

TEST(StationDb, LongTextsAreCutAtTheColumnWidth) {
    test::IsolatedHome home;
    const QString longName(300, QChar(0x99C5));
    test::StationDatabase db(home, {{"StationCode", kStations}});
    // Put an over-long name in directly, as another tool might.
    {
        CDbConnection c;
        ASSERT_EQ(c.Open(db.path(), CDbConnection::Mode::ReadWrite), DB_OK);
        CDbStatement s;
        ASSERT_EQ(s.Prepare(c, "UPDATE StationCode SET StationName = ? WHERE LineCode = 1"), DB_OK);
        s.Bind(1, longName);
        ASSERT_EQ(s.Step(), DB_S_ENDOFROWSET);
    }
    CDbLookup l(stationTable());
    ASSERT_EQ(l.Open(), DB_OK);
    EXPECT_EQ(lookup(l, 0, 1, 16), longName.left(255));
}

TEST(StationDb, ShippedDatabaseHasEveryTable) {
    SetStationCodeDatabasePath(QString());
    EXPECT_EQ(StationCodeDatabasePath(), test::binaryPath("bin/StationCode.db"));
    for (const TableDef& t : StationCodeTables()) {
        CDbLookup l(t);
        ASSERT_EQ(l.Open(), DB_OK);
        const QByteArray sql = QByteArray("SELECT * FROM ") + t.name;
        EXPECT_EQ(l.OpenQuery(sql.constData(), {}), DB_OK) << t.name;
        EXPECT_FALSE(DbFailed(l.MoveNext())) << t.name;
    }
}

namespace {

QString tool() { return test::binaryPath("bin/kuvora-stationdb"); }

bool isCharacterDevice(const char* path) {
    struct stat st {};
    return ::stat(path, &st) == 0 && S_ISCHR(st.st_mode);
}

}  // namespace

// The user's names go only into a file SQLite vouches for and that holds
// station tables only; a damaged or foreign file is left byte for byte.
TEST(StationDb, DamagedOrForeignUserDatabaseIsLeftAsItWas) {
    test::IsolatedHome home;
    const QString overlay = home.file("StationCodeUser.db");
    StationCsv csv;
    csv.table = &stationTable();
    for (int i = 0; i < 300; ++i) csv.rows.push_back({"0", "1", QString::number(i), "会社", "線", "駅", ""});
    QStringList errors;
    ASSERT_TRUE(WriteUserNames(overlay, {csv}, errors)) << errors.join('\n').toStdString();
    QFile f(overlay);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QByteArray damaged = f.readAll();
    f.close();
    ASSERT_GE(damaged.size(), 3 * 4096);
    for (int i = 0; i < 8; ++i) damaged[2 * 4096 + i] = char(~damaged[2 * 4096 + i]);  // a B-tree page header
    QByteArray foreign;
    {
        const QString other = home.file("other.db");
        CDbConnection db;
        ASSERT_EQ(db.Open(other, CDbConnection::Mode::ReadWriteCreate), DB_OK);
        ASSERT_EQ(db.Execute("CREATE TABLE Photos (name TEXT)"), DB_OK);
        db.Close();
        QFile o(other);
        ASSERT_TRUE(o.open(QIODevice::ReadOnly));
        foreign = o.readAll();
    }
    for (const auto& [bytes, why] : {std::pair{damaged, QString("the database is damaged")},
                                     std::pair{foreign, QString("not a station name database (it has a table Photos)")}}) {
        writeFile(overlay, bytes);
        errors.clear();
        EXPECT_FALSE(WriteUserNames(overlay, {csv}, errors));
        ASSERT_EQ(errors.size(), 1);
        EXPECT_TRUE(errors[0].startsWith(overlay + ": " + why) && errors[0].endsWith("it was left as it was"))
            << errors[0].toStdString();
        QString error;
        EXPECT_EQ(DeleteUserName(overlay, stationTable(), {0, 1, 5}, error), DeleteResult::Failed);
        EXPECT_TRUE(error.startsWith(overlay + ": " + why)) << error.toStdString();
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), bytes);
        f.close();
    }
}

TEST(StationDbTool, ImportTellsNewRowsFromReplacedOnesAndCountsCharacters) {
    test::IsolatedHome home;
    const QString csv = home.file("StationCode.csv");
    const QString header = "AreaCode,LineCode,StationCode,CompanyName,LineName,StationName,Note\n";
    writeFile(csv, (header + "0,1,16,a,b,c,\n0,1,17,a,b,c,\n").toUtf8());
    auto r = test::runInHome(home, tool(), {"import", csv});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QString overlay = home.dataHome() + "/Mirokaze/StationCodeUser.db";
    EXPECT_EQ(r.out, "imported 2 rows (2 new, 0 replaced) into " + overlay + "\n");
    // 255 characters beyond U+FFFF are 510 UTF-16 units, and still fit.
    QString longest;
    for (int i = 0; i < kMaxColumnText; ++i) longest += QString::fromUcs4(U"\U00020BB7", 1);
    writeFile(csv, (header + "0,1,17,a,b," + longest + ",\n0,1,18,a,b,c,\n").toUtf8());
    r = test::runInHome(home, tool(), {"import", csv});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "imported 2 rows (1 new, 1 replaced) into " + overlay + "\n");
    writeFile(csv, (header + "0,1,19,a,b," + longest + "x,\n").toUtf8());
    r = test::runInHome(home, tool(), {"import", csv});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.startsWith(csv + ":2: StationName: longer than 255 characters\n")) << r.err.toStdString();
}

TEST(StationDbTool, InputsMustBeRegularFilesAndStandardOutputMustTakeTheText) {
    test::IsolatedHome home;
    const QString fifo = home.file("names.csv");
    ASSERT_EQ(::mkfifo(fifo.toUtf8().constData(), 0600), 0);
    // /dev/zero once grew the import without end; a FIFO blocked it.
    for (const auto& [file, kind] : {std::pair<QString, QString>{"/dev/zero", "a character device"},
                                     std::pair<QString, QString>{fifo, "a FIFO"},
                                     std::pair<QString, QString>{home.path(), "a directory"}}) {
        auto r = test::runInHome(home, tool(), {"import", file});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.err, file + ": not a regular file (" + kind + ")\nnothing was imported\n");
    }
    for (const QStringList& args : {QStringList{"where"}, QStringList{"--help"}}) {
        auto r = test::runInHome(home, tool(), args, "/dev/full");
        EXPECT_EQ(r.exitCode, 1) << args.join(' ').toStdString();
        // The reason in the C library's words, in the user's language.
        EXPECT_TRUE(QRegularExpression("^kuvora-stationdb: cannot write standard output \\(.+\\)\n$").match(r.err).hasMatch())
            << r.err.toStdString();
    }
}

TEST(StationDbTool, BuildWritesThroughLinksAndRefusesDevicesAndMissingSources) {
    test::IsolatedHome home;
    const QString out = home.file("StationCode.db");
    auto r = test::runInHome(home, tool(), {"build", out, home.file("nonexistent")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, home.file("nonexistent") + ": no such folder\n");
    writeFile(home.file("plain"), "x");
    r = test::runInHome(home, tool(), {"build", out, home.file("plain")});
    EXPECT_EQ(r.err, home.file("plain") + ": not a folder\n");
    EXPECT_FALSE(QFile::exists(out));

    const QString sources = test::sourcePath("data/stationcode");
    ASSERT_TRUE(QFile::link(out, home.file("link.db")));
    r = test::runInHome(home, tool(), {"build", home.file("link.db"), sources});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(QFileInfo(home.file("link.db")).isSymLink());
    CDbConnection db;
    EXPECT_EQ(db.Open(out, CDbConnection::Mode::ReadOnly), DB_OK);

    ASSERT_TRUE(QFile::link("/dev/full", home.file("full.db")));
    for (const QString& target : {QString("/dev/full"), home.file("full.db")}) {
        r = test::runInHome(home, tool(), {"build", target, sources});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.err.contains("not a regular file (a character device)")) << r.err.toStdString();
        EXPECT_TRUE(isCharacterDevice("/dev/full"));
    }
    // Nothing is left beside the targets.
    for (const QString& name : QDir(home.path()).entryList(QDir::Files | QDir::Hidden | QDir::System))
        EXPECT_FALSE(name.contains(".tmp") || name.startsWith(".kuvora-")) << name.toStdString();
}

TEST(StationDbTool, SpreadsheetFilesImportAndYourRowsListExportAndDelete) {
    test::IsolatedHome home;
    // CP932 as a spreadsheet saves it: CRLF, the header padded with empty
    // columns, the Note left out. 92 86 89 9B is 中央, 87 40 is ①, and 81 60
    // is ～ (U+FF5E) in CP932 where plain Shift_JIS has 〜 (U+301C).
    const QString sjis = home.file("StationCode.csv");
    writeFile(sjis, "AreaCode,LineCode,StationCode,CompanyName,LineName,StationName,Note,,\r\n"
                    "0,1,16,\x92\x86\x89\x9B,\x87\x40,\x81\x60\r\n"
                    ",,,,,,,,\r\n");
    // UTF-8 with a byte order mark, CRLF, empty fields after the last column,
    // a quoted text with a comma and a quote (a line break in a name is
    // refused, see ImportRefusesNamesWithControlCharacters), a name that a
    // spreadsheet would run.
    const QString utf8 = home.file("bus.csv");
    writeFile(utf8, "\xEF\xBB\xBF" "BusLineCode,BusStationCode,BusCompanyName,BusLineName,BusStationName,BusNote\r\n"
                    "258,772,=バス,線,\"停,\"\"留\"\"所\",,,\r\n");
    const QString bad = home.file("ShopCode.csv");
    writeFile(bad, "AreaCode,TerminalCode,LineCode,StationCode,CompanyName\n1,2,3,x,店\n");
    auto r = test::runInHome(home, tool(), {"import", sjis, utf8, bad});
    EXPECT_EQ(r.exitCode, 1);
    r = test::runInHome(home, tool(), {"list"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "");  // nothing of the good files either
    r = test::runInHome(home, tool(), {"import", sjis, utf8});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QString listed = "StationCode\t0\t1\t16\t中央\t①\t\uFF5E\t\n"
                           "BusCode\t258\t772\t=バス\t線\t停,\"留\"所\t\n";
    r = test::runInHome(home, tool(), {"list"});
    EXPECT_EQ(r.out, listed);
    // Forced UTF-8 refuses the CP932 file.
    r = test::runInHome(home, tool(), {"import", "--encoding", "utf-8", sjis});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.startsWith(sjis + ": not UTF-8 text\n")) << r.err.toStdString();

    // Exported (the name that looks like a formula neutralised, as OWASP
    // advises) and imported into another home, the rows are the same.
    r = test::runInHome(home, tool(), {"export", home.file("out")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    QFile exported(home.file("out/BusCode.csv"));
    ASSERT_TRUE(exported.open(QIODevice::ReadOnly));
    EXPECT_TRUE(exported.readAll().contains("\r\n258,772,\"'=バス\",線,"));
    test::IsolatedHome other;
    r = test::runInHome(other, tool(), {"import", home.file("out/StationCode.csv"), home.file("out/BusCode.csv")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    r = test::runInHome(other, tool(), {"list"});
    EXPECT_EQ(r.out, listed);
    r = test::runInHome(other, tool(), {"export", home.file("bus.csv"), "--table", "buscode"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    StationCsv again;
    QStringList errors;
    ASSERT_TRUE(ReadStationCsv(home.file("bus.csv"), QString(), again, errors));
    EXPECT_EQ(again.rows, std::vector<QStringList>({{"258", "772", "=バス", "線", "停,\"留\"所", ""}}));

    r = test::runInHome(home, tool(), {"delete", "BusCode", "258", "0x304"});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    r = test::runInHome(home, tool(), {"delete", "BusCode", "258", "772"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.startsWith("no row BusCode 258 772 in ")) << r.err.toStdString();
    r = test::runInHome(home, tool(), {"list", "--table", "StationCode"});
    EXPECT_EQ(r.out, listed.section('\n', 0, 0) + "\n");
    for (const QStringList& args : {QStringList{"delete", "StationCode", "0", "1"}, QStringList{"delete", "Nope", "1"},
                                    QStringList{"delete", "StationCode", "0", "1", "300"},
                                    QStringList{"import", "--encoding", "latin1", sjis}, QStringList{"list", "x"},
                                    QStringList{"import", "--table", "Nope", sjis},
                                    QStringList{"import", "--table", "StationCode", "--table", "BusCode", sjis},
                                    QStringList{"import", "--encoding", "utf-8", "--encoding", "cp932", sjis},
                                    QStringList{"list", "--table", "BusCode", "--table", "BusCode"},
                                    QStringList{"export"}}) {
        r = test::runInHome(home, tool(), args);
        EXPECT_EQ(r.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.startsWith("kuvora-stationdb: ")) << r.err.toStdString();
    }
    r = test::runInHome(home, tool(), {"--version"});
    EXPECT_TRUE(r.out.startsWith("kuvora-stationdb ")) << r.out.toStdString();
    // A database that is no database is an error, not an empty list.
    const QString overlay = home.dataHome() + "/Mirokaze/StationCodeUser.db";
    QFile::remove(overlay);
    writeFile(overlay, QByteArray(4096, 'x'));
    for (const QStringList& args : {QStringList{"list"}, QStringList{"delete", "BusCode", "1", "2"}}) {
        r = test::runInHome(home, tool(), args);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.err.startsWith(overlay + ": cannot open the database")) << r.err.toStdString();
    }
}

// Names an earlier version stored with control characters (a NUL, an ESC
// sequence, line breaks, a reversing override) and longer than a column
// reach neither the list nor the export raw, and the export imports again.
TEST(StationDbTool, NamesStoredByEarlierVersionsListAndExportCleanly) {
    test::IsolatedHome home;
    const QString stored = QString("中\t央\r\n駅\x1b[31m赤\x01") + QChar(0) + "\u202E終";
    const QString shown = "中 央  駅 [31m赤   終";
    StationCsv csv;
    csv.table = &stationTable();
    csv.rows.push_back({"0", "1", "16", "会社", "線", stored, QString(300, 'n')});
    QStringList errors;
    ASSERT_TRUE(WriteUserNames(UserStationCodeDatabasePath(), {csv}, errors)) << errors.join('\n').toStdString();
    auto r = test::runInHome(home, tool(), {"list"});
    const QString line = "StationCode\t0\t1\t16\t会社\t線\t" + shown + "\t" + QString(300, 'n') + "\n";
    EXPECT_EQ(r.out, line);
    r = test::runInHome(home, tool(), {"export", home.file("out")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    test::IsolatedHome other;
    r = test::runInHome(other, tool(), {"import", home.file("out/StationCode.csv")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    r = test::runInHome(other, tool(), {"list"});
    EXPECT_EQ(r.out, "StationCode\t0\t1\t16\t会社\t線\t" + shown + "\t" + QString(255, 'n') + "\n");
}

TEST(Cp932, LongTextsConvertCharacterByCharacter) {
    // Characters CP932 lacks become one "?" each wherever they fall in a long
    // text, and the ones it has keep their bytes.
    EXPECT_EQ(ToCp932(QStringLiteral("駅")), QByteArray("\x89\x77"));
    EXPECT_EQ(ToCp932(QStringLiteral("😀")), QByteArray("?"));
    const QString pieces[] = {QStringLiteral("駅"), QStringLiteral("😀"), QStringLiteral("a"), QStringLiteral("ｱ"),
                              QStringLiteral("丁")};
    QString text;
    QByteArray expected;
    for (unsigned i = 0, x = 1; i < 3000; ++i, x = x * 1103515245u + 12345u) {
        const QString& piece = pieces[(x >> 16) % 5];
        text += piece;
        expected += ToCp932(piece);
    }
    EXPECT_EQ(ToCp932(text), expected);
}

TEST(StationDb, LookupsShareOneConnectionWhileOpenTogetherOrHeld) {
    test::IsolatedHome home;
    test::StationDatabase db(home, {{"StationCode", kStations}});
    {
        CDbLookup a(stationTable()), b(*FindStationCodeTable("BusCode"));
        ASSERT_EQ(a.Open(), DB_OK);
        ASSERT_EQ(b.Open(), DB_OK);
        EXPECT_NE(a.ConnectionId(), nullptr);
        EXPECT_EQ(a.ConnectionId(), b.ConnectionId());
        EXPECT_EQ(lookup(a, 1, 0x85, 2), "中町");
    }
    const StationDatabaseHold hold;
    const void* first = nullptr;
    {
        CDbLookup a(stationTable());
        ASSERT_EQ(a.Open(), DB_OK);
        first = a.ConnectionId();
        EXPECT_EQ(lookup(a, 0, 1, 16), "中央");
    }
    CDbLookup later(stationTable());
    ASSERT_EQ(later.Open(), DB_OK);
    EXPECT_EQ(later.ConnectionId(), first);  // the hold kept it open
    later.Close();
    // The user's names arriving meanwhile: the next lookup sees them.
    const QString csv = home.file("mine.csv");
    writeFile(csv, "AreaCode,LineCode,StationCode,CompanyName,LineName,StationName,Note\n0,1,16,,,私の中央,\n");
    QStringList errors;
    ASSERT_TRUE(ImportUserNames(UserStationCodeDatabasePath(), {csv}, "StationCode", errors)) << errors.join('\n').toStdString();
    ASSERT_EQ(later.Open(), DB_OK);
    EXPECT_EQ(lookup(later, 0, 1, 16), "私の中央");
}

// Within a batch the record keeps the row it fetched for the next name of
// the same place; a query in between, or the end of the batch, lets it go.
TEST(StationDb, ARowFetchedInABatchServesItsNamesUntilTheBatchEnds) {
    test::IsolatedHome home;
    test::StationDatabase db(home, {{"StationCode", kStations}});
    CDbLookup a(stationTable());
    ASSERT_EQ(a.Open(), DB_OK);
    auto name = [&a](int area, int line, int station, const char* column) {
        QString text;
        LookupName(a, sql::kRailStation, {area, line, station}, column, text);
        return text;
    };
    {
        const StationLookupBatch batch;
        EXPECT_EQ(name(0, 1, 16, "CompanyName"), "鉄道A");
        EXPECT_EQ(name(0, 1, 16, "StationName"), "中央");
        EXPECT_EQ(name(1, 0x85, 2, "StationName"), "中町");
        EXPECT_EQ(name(0, 1, 16, "LineName"), "本線");
        EXPECT_EQ(a.MoveNext(), DB_E_FAIL);  // no query open: the record is cleared
        EXPECT_EQ(name(0, 1, 16, "StationName"), "中央");
        ASSERT_EQ(a.OpenQuery(sql::kRailStation, {2, 0x85, 2}), DB_OK);
        ASSERT_EQ(a.MoveNext(), DB_OK);
        a.CloseQuery();
        EXPECT_EQ(name(2, 0x85, 2, "StationName"), "本町");
        EXPECT_EQ(name(9, 9, 9, "StationName"), UnregisteredName());
        EXPECT_EQ(name(9, 9, 9, "CompanyName"), UnregisteredName());
    }
    // The user's name arriving between two batches is seen by the next.
    const QString csv = home.file("mine.csv");
    writeFile(csv, "AreaCode,LineCode,StationCode,CompanyName,LineName,StationName,Note\n0,1,16,,,私の中央,\n");
    QStringList errors;
    ASSERT_TRUE(ImportUserNames(UserStationCodeDatabasePath(), {csv}, "StationCode", errors));
    ASSERT_EQ(a.Open(), DB_OK);  // the user's names are attached at the open
    const StationLookupBatch batch;
    EXPECT_EQ(name(0, 1, 16, "StationName"), "私の中央");
}
