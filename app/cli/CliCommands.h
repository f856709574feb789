// The commands of kuvora-cli. Each returns the process exit status:
// 0 when no message was shown, 1 when one was, 2 for a usage error or an
// unreadable card image.
#pragma once

#include "felica.h"

#include <QByteArray>
#include <QString>

class CKuvoraDoc;
struct ExpenseClaim;

struct CliOptions {
    QString command;
    QString reader;   // --reader
    QString mode;     // --mode
    QString format;   // --format
    QString output;   // --output
    bool stats = false;  // --stats: the FeliCa commands sent, on standard error
    bool dryRun = false;  // --dry-run
    QString idm;      // --idm
    QString cardType; // --card-type
    QString forget;   // history --forget IDM
    QString pageSize; // --page-size
    bool verbose = false;  // --verbose: the reader used, on standard error
    bool wait = false;     // read --wait: wait for a card to be placed
    bool loop = false;     // read --loop: read every card placed until interrupted
    QString timeout;       // read --wait --timeout SECONDS
    bool summary = false;  // history --summary: the totals per month
    bool journeys = false; // history --journeys: the fares of --from..--to
    QString from, to;      // history --journeys: YYYY-MM-DD
};

enum ExitStatus { ExitOk = 0, ExitMessage = 1, ExitUsage = 2 };

// Holds the FeliCa library initialised for one command.
// With --verbose it says at the end which reader the command used.
struct LibraryHold {
    LibraryHold() { initialize_library(); }
    ~LibraryHold() {
        ReportReaderUsed();
        dispose_library();
    }
    static void ReportReaderUsed();
    LibraryHold(const LibraryHold&) = delete;
    LibraryHold& operator=(const LibraryHold&) = delete;
};

// Chooses the reader (--reader, $KUVORA_READER, the setting, nfc) and hands
// it to the FeliCa library; false, with the reason on standard error, for a
// card image that cannot be read.
bool PrepareReader(const CliOptions& options);

// Says on standard error why no card was read, in the words every command
// uses ("kuvora-cli: no card was read: " and felica::noCardReason).
// Standard output stays empty then.
void ReportNoCard();

// The --mode option: a card type code or "auto" into `mode`, `fixed` when
// one was given; false, with the reason on standard error, for anything else.
bool ParseModeOption(const CliOptions& options, bool& fixed, int& mode);
// The --card-type option: a card type code into `cardType`, -1 when none was
// given; false, with the reason on standard error, for anything else.
bool ParseCardTypeOption(const CliOptions& options, int& cardType);

// pdf, svg and png: the formats drawn with Qt GUI (offscreen).
bool IsDrawingFormat(const QString& format);

// The drawn formats, which kuvora-cli-full has; kuvora-cli has none (null)
// and runs kuvora-cli-full for them.
struct DrawnFormats {
    // Whether --page-size names a paper (empty: the default, A4).
    bool (*isPageSize)(const QString& name);
    // The printed page (pdf) or the picture (svg, png); empty, after a
    // message on standard error, when it could not be drawn.
    QByteArray (*draw)(const CKuvoraDoc& doc, const QString& format, const QString& pageSize);
    // history --journeys --format pdf: the expense claim's A4 pages; empty,
    // after a message on standard error, when it could not be drawn.
    QByteArray (*expenseClaim)(const ExpenseClaim& claim);
};
const DrawnFormats* Drawing();

// kuvora-cli: where kuvora-cli-full is (beside kuvora-cli), and running it
// in this process's place with the same arguments `argv`. It returns only
// when that failed, after saying on standard error what (`what`) needed it.
QString FullProgramPath();
int RunFullProgram(char** argv, const QString& what);

// Every reader found on each route, with the reader name that selects it.
int RunReaders(const CliOptions& options);
int RunIdm(const CliOptions& options);
int RunRead(const CliOptions& options);
// Walks the card on the reader into the card image file --output.
int RunCapture(const CliOptions& options);
// The Green car ticket on a Suica card: the texts of the Green ticket dialog.
int RunGreen(const CliOptions& options);
// The card service dump, to --output or FelicaFormat.TXT in the current directory.
int RunDump(const CliOptions& options);
// Reads the card and speaks its rows, or with --dry-run prints each row's
// text and the text a kana-only voice gets.
int RunSpeak(const CliOptions& options);
// The cards stored in History.db, or (--idm) one card's stored history.
int RunHistory(const CliOptions& options);
// history --summary and --journeys: what is wrong with their options (empty
// when nothing), and the output for the card loaded into `doc`, whose
// nickname is `nickname`; empty after a message when a claim could not be
// drawn.
QString SpendingOptionsError(const CliOptions& options);
QByteArray SpendingOutput(const CKuvoraDoc& doc, const CliOptions& options, const QString& nickname = QString());
// history --forget IDM [--card-type N]: the card leaves History.db.
int RunForget(const CliOptions& options);
