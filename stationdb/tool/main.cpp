// kuvora-stationdb: builds StationCode.db from CSV files, and imports a
// user's own station, shop and bus-stop names.
#include "StationDatabasePaths.h"
#include "StationDbBuilder.h"
#include "standard_output.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

namespace {

const char* const kUsage =
    "Usage:\n"
    "  kuvora-stationdb import [--table NAME] FILE.csv...\n"
    "      adds the names in the CSV files to your own station-code database\n"
    "      ($XDG_DATA_HOME/Mirokaze/StationCodeUser.db); Kuvora sees them before\n"
    "      the names it ships with. Nothing is imported when any line is wrong.\n"
    "  kuvora-stationdb build OUTPUT.db SOURCE_FOLDER\n"
    "      builds a complete StationCode.db from SOURCE_FOLDER/<Table>.csv\n"
    "  kuvora-stationdb where\n"
    "      prints where the databases are\n"
    "\n"
    "Tables: StationCode, ShopCode, BusCode, ICaCode, NICECode, CICACode, PASSCACode.\n"
    "The first line of a CSV file names the table's columns.\n";

void print(FILE* to, const QString& text) {
    std::fprintf(to, "%s\n", text.toUtf8().constData());
}

// Standard output that could not be written fails the command.
int finish(int status) {
    return platform::finishStandardOutput("kuvora-stationdb", status);
}

int usage(const char* why) {
    std::fprintf(stderr, "kuvora-stationdb: %s\n\n%s", why, kUsage);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty()) return usage("no command given");
    const QString command = args.takeFirst();
    if (command == QLatin1String("--help") || command == QLatin1String("-h")) {
        std::fputs(kUsage, stdout);
        return finish(0);
    }
    QStringList errors;
    if (command == QLatin1String("build")) {
        if (args.size() != 2) return usage("build needs OUTPUT.db and SOURCE_FOLDER");
        if (!BuildStationDatabase(args[0], args[1], errors)) {
            for (const QString& e : errors) print(stderr, e);
            return 1;
        }
        return 0;
    }
    if (command == QLatin1String("import")) {
        QString table;
        QStringList files;
        for (int i = 0; i < args.size(); ++i) {
            if (args[i] == QLatin1String("--table")) {
                if (i + 1 >= args.size()) return usage("--table needs a name");
                table = args[++i];
            } else if (args[i].startsWith(QLatin1String("--"))) {
                return usage("unknown option");
            } else {
                files << args[i];
            }
        }
        if (files.isEmpty()) return usage("import needs at least one CSV file");
        ImportCount rows;
        const QString overlay = UserStationCodeDatabasePath();
        if (!ImportUserNames(overlay, files, table, errors, &rows)) {
            for (const QString& e : errors) print(stderr, e);
            print(stderr, QStringLiteral("nothing was imported"));
            return 1;
        }
        print(stdout, QStringLiteral("imported %1 rows (%2 new, %3 replaced) into %4")
                          .arg(rows.total()).arg(rows.added).arg(rows.replaced).arg(overlay));
        return finish(0);
    }
    if (command == QLatin1String("where")) {
        print(stdout, QStringLiteral("shipped: %1").arg(StationCodeDatabasePath()));
        print(stdout, QStringLiteral("yours:   %1").arg(UserStationCodeDatabasePath()));
        return finish(0);
    }
    return usage("unknown command");
}
