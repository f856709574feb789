// kuvora-stationdb import on large station tables, each run a process of
// its own: its time, its peak memory (the child's maximum resident set) and
// the lines it prints. The bad table is 3.3 million lines of "0,0,0" (20 MB,
// every line after the first repeats its codes): its memory and output stay
// those of a small file. The good one is every StationCode key of areas 0
// to 2 (196,608 rows).
//   bench_station_import [RUNS]
#include "BenchHome.h"

#include <QFile>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

namespace {

struct Run {
    double seconds = 0;
    long peakKb = 0;
    long lines = 0;
};

// The tool on `csv`, its standard error (where the problems go) into a file.
Run importOnce(const QString& csv, const QString& errors) {
    const std::string tool = KUVORA_STATIONDB, file = csv.toStdString(), err = errors.toStdString();
    const char* argv[] = {tool.c_str(), "import", "--table", "StationCode", file.c_str(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, tool.c_str(), &actions, nullptr, const_cast<char**>(argv), environ) != 0) std::abort();
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid) std::abort();
    Run run;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.peakKb = usage.ru_maxrss;
    QFile printed(errors);
    if (printed.open(QIODevice::ReadOnly)) run.lines = printed.readAll().count('\n');
    return run;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    BenchHome home;
    const QByteArray header = "AreaCode,LineCode,StationCode,CompanyName,LineName,StationName,Note\n";
    QFile bad(home.dir.filePath("bad.csv")), good(home.dir.filePath("good.csv"));
    if (!bad.open(QIODevice::WriteOnly) || !good.open(QIODevice::WriteOnly)) return 1;
    // Written a piece at a time: this process stays small, for the child's
    // peak counts what it shared with this one before it started the tool.
    bad.write(header);
    const QByteArray lines = QByteArray("0,0,0\n").repeated(100000);
    for (int i = 0; i < 33; ++i) bad.write(lines);
    good.write(header);
    for (int area = 0; area < 3; ++area)
        for (int line = 0; line < 256; ++line)
            for (int station = 0; station < 256; ++station)
                good.write(QString::asprintf("%d,%d,%d,見本鉄道,見本線,駅%d,\n", area, line, station, station).toUtf8());
    bad.close();
    good.close();
    for (const auto& [name, file] : {std::pair<const char*, QFile*>{"bad table, 3.3M lines", &bad},
                                     std::pair<const char*, QFile*>{"good table, 196,608 rows", &good}}) {
        std::vector<Run> all;
        for (int i = 0; i < runs; ++i) {
            QFile::remove(home.dir.filePath("data/Mirokaze/StationCodeUser.db"));
            all.push_back(importOnce(file->fileName(), home.dir.filePath("errors.txt")));
        }
        std::sort(all.begin(), all.end(), [](const Run& a, const Run& b) { return a.seconds < b.seconds; });
        const Run& median = all[all.size() / 2];
        std::printf("%-26s median %.2f s, peak %ld KiB, %ld lines on standard error\n", name, median.seconds,
                    median.peakKb, median.lines);
    }
    return 0;
}
