#include "TestSupport.h"

#include "DbConnection.h"
#include "StationDatabasePaths.h"
#include "StationDbBuilder.h"
#include "felica.h"
#include "library_control.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>

#include <gtest/gtest.h>

#include <cstdlib>

namespace test {

IsolatedHome::IsolatedHome()
    : oldConfig_(qgetenv("XDG_CONFIG_HOME")), oldData_(qgetenv("XDG_DATA_HOME")), oldHome_(qgetenv("HOME")) {
    QDir().mkpath(configHome());
    QDir().mkpath(dataHome());
    qputenv("XDG_CONFIG_HOME", configHome().toUtf8());
    qputenv("XDG_DATA_HOME", dataHome().toUtf8());
    qputenv("HOME", path().toUtf8());
    // QSettings keeps the folder it found first; point it at this home.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, configHome());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, configHome());
}

IsolatedHome::~IsolatedHome() {
    auto restore = [](const char* name, const QByteArray& v) {
        if (v.isNull()) qunsetenv(name);
        else qputenv(name, v);
    };
    restore("XDG_CONFIG_HOME", oldConfig_);
    restore("XDG_DATA_HOME", oldData_);
    restore("HOME", oldHome_);
    const QString config = oldConfig_.isEmpty() ? QString::fromLocal8Bit(oldHome_) + "/.config"
                                                : QString::fromLocal8Bit(oldConfig_);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, config);
}

QString sourcePath(const QString& relative) { return QStringLiteral(KUVORA_SOURCE_DIR "/") + relative; }
QString binaryPath(const QString& relative) { return QStringLiteral(KUVORA_BINARY_DIR "/") + relative; }

felica::Block blockFromHex(const std::string& hex) {
    felica::Block b{};
    for (std::size_t i = 0; i < 16 && 2 * i + 1 < hex.size(); ++i)
        b[i] = static_cast<std::uint8_t>(std::stoi(hex.substr(2 * i, 2), nullptr, 16));
    return b;
}

felica::CardImage makeCard(const std::string& idmHex, const std::string& systemCodeHex) {
    felica::CardImage card;
    for (int i = 0; i < 8; ++i)
        card.idm[i] = static_cast<std::uint8_t>(std::stoi(idmHex.substr(2 * i, 2), nullptr, 16));
    card.pmm = {0x01, 0x20, 0x22, 0x04, 0x27, 0x67, 0x4E, 0xFF};
    felica::SystemImage sys;
    sys.code = {static_cast<std::uint8_t>(std::stoi(systemCodeHex.substr(0, 2), nullptr, 16)),
                static_cast<std::uint8_t>(std::stoi(systemCodeHex.substr(2, 2), nullptr, 16))};
    sys.idm = card.idm;
    sys.areas.push_back({0x0000, 0xFFFF, 0});
    card.systems.push_back(sys);
    return card;
}

felica::ServiceImage makeService(std::uint16_t code, const std::vector<std::string>& blocksHex,
                                 std::uint16_t keyVersion) {
    felica::ServiceImage s;
    s.code = code;
    s.keyVersion = keyVersion;
    s.hasBlocks = true;
    for (const auto& h : blocksHex) s.blocks.push_back(blockFromHex(h));
    return s;
}

felica::ServiceImage makeKeyedService(std::uint16_t code, std::uint16_t keyVersion) {
    felica::ServiceImage s;
    s.code = code;
    s.keyVersion = keyVersion;
    return s;
}

QString writeImage(const IsolatedHome& home, const felica::CardImage& image, const QString& name) {
    const QString path = home.file(name);
    std::string error;
    if (!image.save(path.toStdString(), error)) ADD_FAILURE() << error;
    return QStringLiteral("image:") + path;
}

LibrarySession::LibrarySession(const QString& reader) {
    initialize_library();
    if (!reader.isEmpty()) select(reader);
}

LibrarySession::~LibrarySession() {
    close_reader_writer();
    dispose_library();
}

void LibrarySession::select(const QString& reader) {
    set_reader_writer_name(reader.toUtf8().constData());
}

felica::TransceiveStatus ScriptedTransport::transceive(std::span<const std::uint8_t> command,
                                                       std::vector<std::uint8_t>& answer,
                                                       std::chrono::milliseconds timeout) {
    const std::size_t index = sent.size();
    sent.emplace_back(command.begin(), command.end());
    felica::TransceiveStatus status = reader_.transceive(command, answer, timeout);
    if (filter) status = filter(index, status, answer);
    return status;
}

namespace {
// Hands the library a non-owning view of a shared transport.
class SharedTransport : public felica::Transport {
public:
    explicit SharedTransport(std::shared_ptr<felica::Transport> t) : t_(std::move(t)) {}
    felica::TransceiveStatus transceive(std::span<const std::uint8_t> c, std::vector<std::uint8_t>& a,
                                        std::chrono::milliseconds timeout) override {
        return t_->transceive(c, a, timeout);
    }

private:
    std::shared_ptr<felica::Transport> t_;
};
}  // namespace

TransportOverride::TransportOverride(std::shared_ptr<felica::Transport> transport)
    : opens_(std::make_shared<std::size_t>(0)) {
    auto opens = opens_;
    felica::setTransportFactory([transport, opens](const std::string&, std::string&) {
        ++*opens;
        return std::make_unique<SharedTransport>(transport);
    });
}

TransportOverride::~TransportOverride() {
    close_reader_writer();
    felica::setTransportFactory({});
}

StationDatabase::StationDatabase(const IsolatedHome& home,
                                 const std::vector<std::pair<QString, QString>>& tables) {
    const QString dir = home.file(QStringLiteral("stationcode-src"));
    QDir().mkpath(dir);
    for (const auto& [name, csv] : tables) {
        QFile f(dir + "/" + name + ".csv");
        if (!f.open(QIODevice::WriteOnly)) ADD_FAILURE() << "cannot write " << name.toStdString();
        f.write(csv.toUtf8());
    }
    path_ = home.file(QStringLiteral("StationCode.db"));
    QStringList errors;
    if (!BuildStationDatabase(path_, dir, errors)) ADD_FAILURE() << errors.join('\n').toStdString();
    SetStationCodeDatabasePath(path_);
}

StationDatabase::~StationDatabase() { SetStationCodeDatabasePath(QString()); }

void StationDatabase::dropTable(const QString& table) const {
    CDbConnection db;
    ASSERT_EQ(db.Open(path_, CDbConnection::Mode::ReadWrite), DB_OK);
    ASSERT_EQ(db.Execute(("DROP TABLE " + table).toUtf8().constData()), DB_OK) << table.toStdString();
}

void importSampleNames() {
    QStringList files, errors;
    for (const char* t :
         {"StationCode", "ShopCode", "BusCode", "ICaCode", "NICECode", "CICACode", "PASSCACode"})
        files << sourcePath(QStringLiteral("data/stationcode/sample/%1.csv").arg(QLatin1String(t)));
    if (!ImportUserNames(UserStationCodeDatabasePath(), files, QString(), errors))
        ADD_FAILURE() << errors.join('\n').toStdString();
}

ProcessResult runProgram(const QString& program, const QStringList& args,
                         const QProcessEnvironment& env, int timeoutMs, const QString& stdoutFile) {
    QProcess p;
    p.setProcessEnvironment(env);
    if (!stdoutFile.isEmpty()) p.setStandardOutputFile(stdoutFile, QIODevice::Append);
    p.start(program, args);
    ProcessResult r;
    if (!p.waitForStarted(10000)) {
        r.err = QStringLiteral("could not start ") + program;
        return r;
    }
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        r.err = QStringLiteral("timed out: ") + program;
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.outBytes = p.readAllStandardOutput();
    r.out = QString::fromUtf8(r.outBytes);
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

namespace {
QProcessEnvironment homeEnvironment(const IsolatedHome& home) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", home.configHome());
    env.insert("XDG_DATA_HOME", home.dataHome());
    env.insert("HOME", home.path());
    env.remove("KUVORA_READER");
    return env;
}
}  // namespace

ProcessResult runInHome(const IsolatedHome& home, const QString& program, const QStringList& args,
                        const QString& stdoutFile) {
    return runProgram(program, args, homeEnvironment(home), 60000, stdoutFile);
}

void startInHome(QProcess& process, const IsolatedHome& home, const QString& program, const QStringList& args) {
    process.setProcessEnvironment(homeEnvironment(home));
    process.start(program, args);
    process.waitForStarted();
}

bool RunningProgram::until(const std::function<bool()>& done, int ms) {
    for (int waited = 0; !done() && waited < ms; waited += 25) {
        process.waitForReadyRead(25);
        out += process.readAllStandardOutput();
        err += process.readAllStandardError();
    }
    return done();
}

}  // namespace test
