// The Read command end to end on the virtual reader (Auto mode, the sample
// Suica card), in several homes whose reads alternate round by round, so that
// the machine's noise falls on all of them alike. Medians and spread per
// read:
//   empty        an empty History.db (the card's own 20 rows stored once)
//   1M rows      History.db already holding 1,000,000 rows of 1,000 cards
//   1M checked   the same, but another program changed the file before each
//                read, so the read checks it whole (PRAGMA quick_check)
//   new rows     each read finds 20 new history blocks and stores them, with
//                the disk syncs a real commit does
//   100k own     the card itself has 100,000 stored rows to reload and show
//   big names    StationCode.db with 65,536 more stations and the sample
//                names, so that the lookups find their names
// Targets: under 20 ms per read at 1,000,000 rows and at most 1.5 times the
// empty-database read.
// The reads above are warm: each scenario's document has read before. The
// first read in a fresh process, the case of every kuvora-cli run, is timed
// apart: a child process per round (this program with --first-read) times
// its first Read and then a second one, in-process.
// Targets: the first read at most 2 ms, the warm read at most 1.5 ms. The
// page faults of each read are shown beside them, and a third row gives the
// first read in a process that has run one SQLite query on a memory
// database before it: how much of the first read is SQLite's own start.
// Then whole kuvora-cli processes (`read --format json`, start to exit) in two
// homes, alternating with an empty program on Qt Core alone built beside it
// (bench_empty_core): the card with its own 20 rows stored, and with 1,000.
// Targets: the 20-row read at most 25 ms and at most 2.3 times the empty
// program; the 1,000-row read within 1.5 times the 20-row read.
// The machine's noise falls on every row alike, but figures from a machine
// busy with other work are higher than on a quiet one: compare the ratios.
//   bench_read_command [ROUNDS]   (default 15)
#include "BenchHistory.h"
#include "BenchHome.h"
#include "CHistoryTable.h"
#include "CKuvoraDoc.h"
#include "DbConnection.h"
#include "MessageSink.h"
#include "StationDatabasePaths.h"
#include "StationDbBuilder.h"
#include "card_image.h"
#include "felica.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QStringList>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <sys/resource.h>
#include <cstring>
#include <tuple>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

const std::string kSample = KUVORA_SOURCE_DIR "/data/cards/suica-sample.json";

// One home with its own History.db and settings, and a document that reads
// the sample card in it.
struct Scenario {
    const char* name;
    BenchHome home;
    std::string reader = "image:" + kSample;
    QString stationDb;  // empty: the shipped StationCode.db
    std::function<void(Scenario&, int round)> beforeRead;  // untimed
    std::unique_ptr<CKuvoraDoc> doc;
    RecordingMessageSink messages;
    std::vector<double> ms;
    bool failed = false;

    explicit Scenario(const char* n) : name(n) {}
    void activate() {
        qputenv("XDG_DATA_HOME", (home.dir.path() + "/data").toUtf8());
        qputenv("XDG_CONFIG_HOME", (home.dir.path() + "/config").toUtf8());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, home.dir.path() + "/config");
        SetStationCodeDatabasePath(stationDb);
        set_reader_writer_name(reader.c_str());
    }
    void read(int round, bool timed) {
        activate();
        if (!doc) {
            doc = std::make_unique<CKuvoraDoc>();
            doc->OnNewDocument();
            doc->m_nMode = 0;
        }
        if (beforeRead) beforeRead(*this, round);
        ScopedMessageSink sink(&messages);
        const auto start = std::chrono::steady_clock::now();
        doc->OnCardRead();
        const double t = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        if (timed) ms.push_back(t);
        if (!messages.messages.isEmpty() || doc->m_nCardType != 1) failed = true;
    }
};

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// The sample card with 20 history blocks no read has seen: the serial
// number of every block is new in each round.
void writeFreshCard(Scenario& s, int round) {
    std::string error;
    auto image = felica::CardImage::load(kSample, error);
    if (!image) std::abort();
    for (auto& system : image->systems)
        for (auto& service : system.services) {
            if (service.code != 0x090F) continue;
            for (std::size_t i = 0; i < service.blocks.size(); ++i) {
                const int serial = round * 32 + static_cast<int>(i) + 1000;
                service.blocks[i][13] = static_cast<std::uint8_t>(serial >> 8);
                service.blocks[i][14] = static_cast<std::uint8_t>(serial & 0xFF);
            }
        }
    const std::string path = (s.home.dir.path() + "/fresh.json").toStdString();
    if (!image->save(path, error)) std::abort();
    s.reader = "image:" + path;
    set_reader_writer_name(s.reader.c_str());
}

// A copy of the shipped StationCode.db with every line and station of areas
// 0 and 1, and the sample names in the user's own table.
QString bigStationDatabase(const QString& folder) {
    const QString path = folder + "/StationCode.db";
    QFile::copy(StationCodeDatabasePath(), path);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    CDbConnection db;
    if (DbFailed(db.Open(path, CDbConnection::Mode::ReadWrite))) std::abort();
    db.Execute("BEGIN");
    CDbStatement insert;
    insert.Prepare(db,
                   "INSERT OR IGNORE INTO StationCode (AreaCode, LineCode, StationCode, CompanyName, LineName, "
                   "StationName, Note) VALUES (?, ?, ?, '見本鉄道', ?, ?, '')");
    for (int area = 0; area < 2; ++area)
        for (int line = 0; line < 256; ++line)
            for (int station = 0; station < 128; ++station) {
                insert.Reset();
                insert.Bind(1, static_cast<std::int64_t>(area));
                insert.Bind(2, static_cast<std::int64_t>(line));
                insert.Bind(3, static_cast<std::int64_t>(station));
                insert.Bind(4, QString::asprintf("見本%d号線", line));
                insert.Bind(5, QString::asprintf("見本駅%d-%d", line, station));
                insert.Step();
            }
    db.Execute("COMMIT");
    return path;
}

void importSampleNames() {
    QStringList files, errors;
    for (const char* t : {"StationCode", "ShopCode", "BusCode", "ICaCode", "NICECode", "CICACode", "PASSCACode"})
        files << QStringLiteral(KUVORA_SOURCE_DIR "/data/stationcode/sample/%1.csv").arg(QLatin1String(t));
    if (!ImportUserNames(UserStationCodeDatabasePath(), files, QString(), errors)) std::abort();
}

// Runs `program` with `args` in `home` and returns its wall time in ms, or -1
// when it failed; its standard output goes to `out` when given.
double timedRun(const QString& program, const QStringList& args, const QString& home, QByteArray* out = nullptr) {
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_DATA_HOME", home + "/data");
    env.insert("XDG_CONFIG_HOME", home + "/config");
    child.setProcessEnvironment(env);
    if (!out) child.setStandardOutputFile(QProcess::nullDevice());
    const auto start = std::chrono::steady_clock::now();
    child.start(program, args);
    if (!child.waitForFinished(30000) || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
        return -1;
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    if (out) *out = child.readAllStandardOutput();
    return ms;
}

// kuvora-cli's JSON read in `home`.
double cliRead(const QString& home) {
    return timedRun(QStringLiteral(KUVORA_CLI),
                    {"read", "--reader", QString::fromStdString("image:" + kSample), "--format", "json"}, home);
}

// The child of --first-read: the first Read in this process, then a second
// (warm) one, each timed alone; prints "FIRST WARM" in ms of wall time, then
// the same in CPU time of the process (which the machine's other work does
// not lengthen), then the same in page faults (each page of code, data or
// heap the read touches for the first time costs one; on a virtual machine
// one costs some microseconds). Status 1 when a read showed a message or found another card.
int firstReadChild(bool sqliteStarted) {
    if (sqliteStarted) {
        CDbConnection memory;
        if (DbFailed(memory.Open(QStringLiteral(":memory:"), CDbConnection::Mode::ReadWriteCreate)) ||
            DbFailed(memory.Execute("CREATE TABLE t (a INTEGER PRIMARY KEY, b TEXT); INSERT INTO t VALUES (1, 'x'); "
                                    "SELECT b FROM t WHERE a = 1")))
            return 1;
    }
    initialize_library();
    set_reader_writer_name(("image:" + kSample).c_str());
    RecordingMessageSink messages;
    ScopedMessageSink sink(&messages);
    CKuvoraDoc doc;
    doc.OnNewDocument();
    doc.m_nMode = 0;
    auto cpuMs = [] {
        timespec t{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
        return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
    };
    // Pages the process touched for the first time (code, data, heap).
    auto minorFaults = [] {
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        return usage.ru_minflt;
    };
    double ms[2], cpu[2];
    long faults[2];
    for (int i = 0; i < 2; ++i) {
        const long faultsStart = minorFaults();
        const double cpuStart = cpuMs();
        const auto start = std::chrono::steady_clock::now();
        doc.OnCardRead();
        ms[i] = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        cpu[i] = cpuMs() - cpuStart;
        faults[i] = minorFaults() - faultsStart;
    }
    dispose_library();
    std::printf("%.4f %.4f %.4f %.4f %ld %ld\n", ms[0], ms[1], cpu[0], cpu[1], faults[0], faults[1]);
    return messages.messages.isEmpty() && doc.m_nCardType == 1 ? 0 : 1;
}

void firstReadTable(int rounds, const QString& self) {
    BenchHome home;
    std::vector<double> first, warm, firstCpu, warmCpu, firstFaults, warmFaults, started, startedFaults;
    bool failed = timedRun(self, {"--first-read"}, home.dir.path()) < 0;  // the card's own rows stored
    // The figures a child printed, or none when it failed.
    auto child = [&](const char* flag) {
        QByteArray out;
        QList<QByteArray> figures;
        if (timedRun(self, {flag}, home.dir.path(), &out) >= 0) figures = out.trimmed().split(' ');
        if (figures.size() != 6) {
            failed = true;
            figures.clear();
        }
        return figures;
    };
    for (int round = 0; round < rounds * 2; ++round) {
        const QList<QByteArray> figures = child("--first-read");
        if (!figures.isEmpty()) {
            first.push_back(figures[0].toDouble());
            warm.push_back(figures[1].toDouble());
            firstCpu.push_back(figures[2].toDouble());
            warmCpu.push_back(figures[3].toDouble());
            firstFaults.push_back(figures[4].toDouble());
            warmFaults.push_back(figures[5].toDouble());
        }
        const QList<QByteArray> other = child("--first-read-sqlite-started");
        if (!other.isEmpty()) {
            started.push_back(other[0].toDouble());
            startedFaults.push_back(other[4].toDouble());
        }
    }
    std::printf("\nIn a fresh process (the card's 20 rows stored), %d processes each\n\n", rounds * 2);
    std::printf("%-22s %10s %10s %10s %8s\n", "read", "median ms", "min ms", "max ms", "target");
    for (auto& [name, ms, target] : {std::tuple<const char*, std::vector<double>&, double>{"first", first, 2.0},
                                     {"warm", warm, 1.5}, {"first (cpu)", firstCpu, 2.0},
                                     {"warm (cpu)", warmCpu, 1.5}, {"first, SQLite started", started, 0.0}}) {
        std::sort(ms.begin(), ms.end());
        if (ms.empty()) ms.push_back(0);
        std::printf("%-22s %10.2f %10.2f %10.2f", name, median(ms), ms.front(), ms.back());
        if (target > 0) std::printf(" %8.2f", target);
        std::printf("%s\n", failed ? "  READ FAILED" : "");
    }
    std::printf("%-22s %10s %10s %10s\n", "", "median", "min", "max");
    for (auto& [name, n] : {std::pair<const char*, std::vector<double>&>{"first faults", firstFaults},
                            {"warm faults", warmFaults}, {"first faults, started", startedFaults}}) {
        std::sort(n.begin(), n.end());
        if (n.empty()) n.push_back(0);
        std::printf("%-22s %10.0f %10.0f %10.0f\n", name, median(n), n.front(), n.back());
    }
}

void cliTable(int rounds) {
    struct Home {
        const char* name;
        int storedRows;
        BenchHome home;
        std::vector<double> ms;
        bool failed = false;
    };
    // The last row is the empty Qt Core program, what any such program costs.
    Home homes[] = {{"20 rows", 0, {}, {}}, {"1000 rows", 980, {}, {}}, {"empty Core", -1, {}, {}}};
    constexpr int kHomes = 3;
    auto run = [](Home& h) {
        return h.storedRows < 0 ? timedRun(QStringLiteral(KUVORA_EMPTY_CORE), {}, h.home.dir.path())
                                : cliRead(h.home.dir.path());
    };
    for (Home& h : homes) {
        qputenv("XDG_DATA_HOME", (h.home.dir.path() + "/data").toUtf8());
        if (h.storedRows > 0) fillSampleCardHistory(h.storedRows);
        if (run(h) < 0) h.failed = true;  // stores the card's own 20 rows
    }
    for (int round = 0; round < rounds * 2; ++round)
        for (int i = 0; i < kHomes; ++i) {
            Home& h = homes[(i + round) % kHomes];
            const double t = run(h);
            if (t < 0) h.failed = true;
            else h.ms.push_back(t);
        }
    std::printf("\nWhole process: kuvora-cli read --format json, %d rounds\n\n", rounds * 2);
    std::printf("%-12s %10s %10s %10s %8s %8s\n", "stored", "median ms", "min ms", "max ms", "x 20", "x Core");
    const double base = median(homes[0].ms), core = median(homes[2].ms);
    for (Home& h : homes) {
        std::sort(h.ms.begin(), h.ms.end());
        if (h.ms.empty()) h.ms.push_back(0);
        std::printf("%-12s %10.2f %10.2f %10.2f %8.2f %8.2f%s\n", h.name, median(h.ms), h.ms.front(), h.ms.back(),
                    base > 0 ? median(h.ms) / base : 0.0, core > 0 ? median(h.ms) / core : 0.0,
                    h.failed ? "  FAILED" : "");
    }
    std::printf("targets: 20 rows <= 25 ms and <= 2.30 x Core; 1000 rows <= 1.50 x 20\n");
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc > 1 && std::strcmp(argv[1], "--first-read") == 0) return firstReadChild(false);
    if (argc > 1 && std::strcmp(argv[1], "--first-read-sqlite-started") == 0) return firstReadChild(true);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    initialize_library();
    std::vector<std::unique_ptr<Scenario>> all;
    auto add = [&](const char* name) -> Scenario& {
        all.push_back(std::make_unique<Scenario>(name));
        all.back()->activate();
        return *all.back();
    };
    add("empty");
    add("1M rows");
    fillHistory(1000000);
    Scenario& checked = add("1M checked");
    fillHistory(1000000);
    checked.beforeRead = [](Scenario&, int) {
        QFile::remove(CHistoryTable::DefaultPath() + QStringLiteral("-checked"));  // as if another program wrote it
    };
    add("new rows").beforeRead = writeFreshCard;
    add("100k own");
    fillSampleCardHistory(100000);
    Scenario& names = add("big names");
    names.stationDb = bigStationDatabase(names.home.dir.path());
    names.activate();
    importSampleNames();

    for (auto& s : all) s->read(-1, false);  // the card's own rows stored; files warm
    for (int round = 0; round < rounds; ++round) {
        // A different scenario goes first in each round.
        for (std::size_t i = 0; i < all.size(); ++i) all[(i + round) % all.size()]->read(round, true);
    }
    dispose_library();

    const double base = median(all.front()->ms);
    std::printf("Read command, sample Suica card on the virtual reader, Auto mode, %d rounds\n\n", rounds);
    std::printf("%-12s %10s %10s %10s %8s\n", "History.db", "median ms", "min ms", "max ms", "x empty");
    for (auto& s : all) {
        std::sort(s->ms.begin(), s->ms.end());
        std::printf("%-12s %10.2f %10.2f %10.2f %8.2f%s\n", s->name, median(s->ms), s->ms.front(), s->ms.back(),
                    base > 0 ? median(s->ms) / base : 0.0, s->failed ? "  READ FAILED" : "");
    }
    firstReadTable(rounds, QCoreApplication::applicationFilePath());
    cliTable(rounds);
    return 0;
}
