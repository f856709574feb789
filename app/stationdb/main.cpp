// kuvora-stationdb: builds StationCode.db from CSV files, and imports a
// user's own station, shop and bus-stop names.
#include "CHistoryTable.h"
#include "StationNameTransfer.h"
#include "StationDatabasePaths.h"
#include "StationDbBuilder.h"
#include "standard_output.h"
#include "utf8_locale.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

namespace {

const char* const kUsage =
    "Usage:\n"
    "  kuvora-stationdb import [--table NAME] [--encoding utf-8|cp932] FILE.csv...\n"
    "      adds the names in the CSV files to your own station-code database\n"
    "      ($XDG_DATA_HOME/Mirokaze/StationCodeUser.db); Kuvora sees them before\n"
    "      the names it ships with. Nothing is imported when any line is wrong.\n"
    "      Files are UTF-8 or CP932 (Shift_JIS as Japanese spreadsheets save it),\n"
    "      found out from the bytes unless --encoding names it.\n"
    "      Stored history rows whose codes the imported rows name take the names.\n"
    "  kuvora-stationdb list [--table NAME]\n"
    "      prints your own rows, one a line: the table, then the columns, tab-separated\n"
    "  kuvora-stationdb delete TABLE CODE...\n"
    "      deletes your row of TABLE with these codes (its key columns, in order)\n"
    "  kuvora-stationdb export FOLDER\n"
    "  kuvora-stationdb export FILE.csv --table NAME\n"
    "      writes your rows as CSV (UTF-8) that import takes back: FOLDER/<Table>.csv\n"
    "      for each table that has rows, or the one table's rows to FILE.csv\n"
    "  kuvora-stationdb build OUTPUT.db SOURCE_FOLDER\n"
    "      builds a complete StationCode.db from SOURCE_FOLDER/<Table>.csv\n"
    "  kuvora-stationdb where\n"
    "      prints where the databases are\n"    "  kuvora-stationdb --version\n"
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

int usage(const QString& why) {
    std::fprintf(stderr, "kuvora-stationdb: %s\n\n%s", why.toUtf8().constData(), kUsage);
    return 2;
}

// An option given twice is a mistake: which one was meant is not known.
bool once(const QString& option, QString& value, QString& why) {
    if (value.isNull()) return true;
    why = QStringLiteral("%1 is given twice").arg(option);
    return false;
}

// Options of list and export: --table NAME, the rest are arguments.
bool tableOption(QStringList& args, QString& table, QString& why) {
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] != QLatin1String("--table")) continue;
        if (i + 1 >= args.size()) {
            why = QStringLiteral("--table needs a name");
            return false;
        }
        if (!once(args[i], table, why)) return false;
        table = args[i + 1];
        if (!FindStationCodeTable(table)) {
            why = QStringLiteral("no table named %1").arg(table);
            return false;
        }
        args.remove(i, 2);
        --i;
    }
    for (const QString& a : args) {
        if (a.startsWith(QLatin1String("--"))) {
            why = QStringLiteral("unknown option %1").arg(a);
            return false;
        }
    }
    return true;
}

int listNames(QStringList args) {
    QString table, why;
    if (!tableOption(args, table, why)) return usage(why);
    if (!args.isEmpty()) return usage(QStringLiteral("list takes only --table"));
    std::vector<StationCsv> tables;
    if (!ReadUserNames(UserStationCodeDatabasePath(), table, tables, why)) {
        print(stderr, why);
        return 1;
    }
    for (const StationCsv& csv : tables) {
        for (const QStringList& row : csv.rows) {
            QString line = QLatin1String(csv.table->name);
            for (const QString& field : row) line += QLatin1Char('\t') + OutputName(field);
            print(stdout, line);
        }
    }
    return finish(0);
}

int deleteName(const QStringList& args) {
    if (args.isEmpty()) return usage(QStringLiteral("delete needs a table and its codes"));
    const TableDef* table = FindStationCodeTable(args[0]);
    if (!table) return usage(QStringLiteral("no table named %1").arg(args[0]));
    QStringList keyNames;
    for (int i = 0; i < table->keyColumns; ++i) keyNames << QLatin1String(table->columns[static_cast<std::size_t>(i)].name);
    if (args.size() - 1 != table->keyColumns)
        return usage(QStringLiteral("a row of %1 is named by %2 codes: %3")
                         .arg(QLatin1String(table->name)).arg(table->keyColumns).arg(keyNames.join(QLatin1Char(' '))));
    std::vector<qint64> keys;
    for (int i = 0; i < table->keyColumns; ++i) {
        qint64 v = 0;
        if (!ParseStationNumber(args[i + 1], table->columns[static_cast<std::size_t>(i)].type, v))
            return usage(QStringLiteral("%1: \"%2\" is not a code").arg(keyNames[i], args[i + 1]));
        keys.push_back(v);
    }
    QString error;
    const QString overlay = UserStationCodeDatabasePath();
    switch (DeleteUserName(overlay, *table, keys, error)) {
    case DeleteResult::Deleted:
        print(stdout, QStringLiteral("deleted %1 %2 from %3").arg(QLatin1String(table->name), args.mid(1).join(QLatin1Char(' ')), overlay));
        return finish(0);
    case DeleteResult::NoSuchRow:
        print(stderr, QStringLiteral("no row %1 %2 in %3").arg(QLatin1String(table->name), args.mid(1).join(QLatin1Char(' ')), overlay));
        return 1;
    case DeleteResult::Failed:
        break;
    }
    print(stderr, error);
    return 1;
}

int exportNames(QStringList args) {
    QString table, why;
    if (!tableOption(args, table, why)) return usage(why);
    if (args.size() != 1) return usage(QStringLiteral("export needs one FOLDER, or FILE.csv with --table"));
    const StationExport result = ExportStationTables(UserStationCodeDatabasePath(), args[0], table);
    for (const auto& [path, rows] : result.files) print(stdout, QStringLiteral("%1: %2 rows").arg(path).arg(rows));
    if (!result.written) {
        print(stderr, result.error);
        return 1;
    }
    if (result.files.empty()) print(stdout, QStringLiteral("no rows of your own to export"));
    return finish(0);
}

}  // namespace

int main(int argc, char** argv) {
    platform::useUtf8CharacterType();
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty()) return usage("no command given");
    const QString command = args.takeFirst();
    if (command == QLatin1String("--help") || command == QLatin1String("-h")) {
        std::fputs(kUsage, stdout);
        return finish(0);
    }
    if (command == QLatin1String("--version")) {
        std::printf("kuvora-stationdb %s\n", KUVORA_VERSION);
        return finish(0);
    }
    if (command == QLatin1String("list")) return listNames(args);
    if (command == QLatin1String("delete")) return deleteName(args);
    if (command == QLatin1String("export")) return exportNames(args);
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
        QString table, encodingName, why;
        QStringList files;
        CsvEncoding encoding = CsvEncoding::Detect;
        for (int i = 0; i < args.size(); ++i) {
            if (args[i] == QLatin1String("--table")) {
                if (i + 1 >= args.size()) return usage("--table needs a name");
                if (!once(args[i], table, why)) return usage(why);
                table = args[++i];
                if (!FindStationCodeTable(table)) return usage(QStringLiteral("no table named %1").arg(table));
            } else if (args[i] == QLatin1String("--encoding")) {
                if (i + 1 >= args.size()) return usage("--encoding needs utf-8 or cp932");
                if (!once(args[i], encodingName, why)) return usage(why);
                encodingName = args[i + 1];
                const QString name = args[++i].toLower();
                if (name == QLatin1String("utf-8") || name == QLatin1String("utf8")) encoding = CsvEncoding::Utf8;
                else if (name == QLatin1String("cp932") || name == QLatin1String("shift_jis") || name == QLatin1String("sjis"))
                    encoding = CsvEncoding::Cp932;
                else return usage(QStringLiteral("--encoding %1: expected utf-8 or cp932").arg(args[i]));
            } else if (args[i].startsWith(QLatin1String("--"))) {
                return usage(QStringLiteral("unknown option %1").arg(args[i]));
            } else {
                files << args[i];
            }
        }
        if (files.isEmpty()) return usage("import needs at least one CSV file");
        const QString overlay = UserStationCodeDatabasePath();
        CHistoryTable history;
        const StationImport result = ImportStationTables(files, table, encoding, overlay, history);
        if (!result.imported) {
            for (const QString& e : result.errors) print(stderr, e);
            print(stderr, QStringLiteral("nothing was imported"));
            return 1;
        }
        print(stdout, QStringLiteral("imported %1 rows (%2 new, %3 replaced) into %4")
                          .arg(result.rows.total()).arg(result.rows.added).arg(result.rows.replaced).arg(overlay));
        // The stored history takes the names just imported, as a new read of
        // its cards would show them.
        if (result.namedStoredCells < 0) {
            print(stderr, result.historyError);
            return finish(1);
        }
        if (result.namedStoredCells > 0)
            print(stdout, QStringLiteral("named %1 cells of the stored history in %2")
                              .arg(result.namedStoredCells).arg(history.Path()));
        return finish(0);
    }
    if (command == QLatin1String("where")) {
        print(stdout, QStringLiteral("shipped: %1").arg(StationCodeDatabasePath()));
        print(stdout, QStringLiteral("yours:   %1").arg(UserStationCodeDatabasePath()));
        return finish(0);
    }
    return usage(QStringLiteral("unknown command %1").arg(command));
}
