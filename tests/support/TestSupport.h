// Helpers shared by the tests: isolated XDG folders, card images built in
// code, a transport that misbehaves on cue, and running the programs.
#pragma once

#include "MessageSink.h"
#include "card_image.h"
#include "transport.h"
#include "virtual_reader.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <string>

namespace test {

// A temporary folder that is $XDG_CONFIG_HOME and $XDG_DATA_HOME (and $HOME)
// for the life of the object.
class IsolatedHome {
public:
    IsolatedHome();
    ~IsolatedHome();
    QString path() const { return dir_.path(); }
    QString configHome() const { return dir_.path() + "/config"; }
    QString dataHome() const { return dir_.path() + "/data"; }
    QString file(const QString& name) const { return dir_.path() + "/" + name; }

private:
    QTemporaryDir dir_;
    QByteArray oldConfig_, oldData_, oldHome_;
};

QString sourcePath(const QString& relative);
QString binaryPath(const QString& relative);

// A card with one system; blocks are given as 32 hex digits.
felica::CardImage makeCard(const std::string& idmHex, const std::string& systemCodeHex);
felica::ServiceImage makeService(std::uint16_t code, const std::vector<std::string>& blocksHex,
                                 std::uint16_t keyVersion = 0);
felica::ServiceImage makeKeyedService(std::uint16_t code, std::uint16_t keyVersion = 0);
felica::Block blockFromHex(const std::string& hex);

// Writes `image` to a file in `home` and returns "image:FILE".
QString writeImage(const IsolatedHome& home, const felica::CardImage& image,
                   const QString& name = "card.json");

// Initialises the FeliCa library for a test and selects a reader.
class LibrarySession {
public:
    explicit LibrarySession(const QString& reader = QString());
    ~LibrarySession();
    void select(const QString& reader);
};

// A transport over a virtual reader that can be told to misbehave.
class ScriptedTransport : public felica::Transport {
public:
    explicit ScriptedTransport(felica::CardImage image) : reader_(std::move(image)) {}
    felica::TransceiveStatus transceive(std::span<const std::uint8_t> command,
                                        std::vector<std::uint8_t>& answer,
                                        std::chrono::milliseconds timeout) override;
    // Called with each command index (from 0) and the answer the card gave;
    // may change the answer or the status.
    std::function<felica::TransceiveStatus(std::size_t, felica::TransceiveStatus, felica::Bytes&)> filter;
    std::vector<felica::Bytes> sent;
    felica::VirtualReader& reader() { return reader_; }

private:
    felica::VirtualReader reader_;
};

// Makes every open of the library use `transport` (shared, so the test keeps
// hold of it) until the object goes.
class TransportOverride {
public:
    explicit TransportOverride(std::shared_ptr<felica::Transport> transport);
    ~TransportOverride();
    std::size_t opens() const { return *opens_; }

private:
    std::shared_ptr<std::size_t> opens_;
};

// StationCode.db built from CSV text (table name -> CSV with its header line)
// in `home`, used by every lookup object for the life of the object.
class StationDatabase {
public:
    StationDatabase(const IsolatedHome& home, const std::vector<std::pair<QString, QString>>& tables);
    ~StationDatabase();
    QString path() const { return path_; }
    // Drops a table, so that every query on it fails.
    void dropTable(const QString& table) const;

private:
    QString path_;
};

// The sample station names (data/stationcode/sample) as the user's own.
void importSampleNames();

struct ProcessResult {
    int exitCode = -1;
    QString out;
    QString err;
    QByteArray outBytes;
};
// `stdoutFile`, when given, takes the program's standard output (e.g. /dev/full).
ProcessResult runProgram(const QString& program, const QStringList& args,
                         const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment(),
                         int timeoutMs = 60000, const QString& stdoutFile = QString());
// Runs one of the programs in `home` (its XDG folders and HOME), choosing
// the reader only by its options.
ProcessResult runInHome(const IsolatedHome& home, const QString& program, const QStringList& args,
                        const QString& stdoutFile = QString());
// Starts it so, for a test that watches it while it runs.
void startInHome(QProcess& process, const IsolatedHome& home, const QString& program, const QStringList& args);

// A program a test watches while it runs: what it has written so far.
struct RunningProgram {
    QProcess process;
    QByteArray out, err;
    // Collects its output until `done` holds or `ms` have passed; whether it holds.
    bool until(const std::function<bool()>& done, int ms);
    int lines() const { return static_cast<int>(out.count('\n')); }
};

}  // namespace test
