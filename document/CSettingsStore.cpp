#include "CSettingsStore.h"

#include <QSettings>

namespace settings {

namespace {

QSettings store() {
    return QSettings(QStringLiteral("Mirokaze"), QStringLiteral("Kuvora"));
}

thread_local QSettings* t_Together = nullptr;
thread_local QSettings* t_Writing = nullptr;

QVariant valueOf(const QString& key) {
    if (t_Writing) return t_Writing->value(key);
    if (t_Together) return t_Together->value(key);
    return store().value(key);
}

QString keyOf(const QString& key) { return QStringLiteral("Settings/") + key; }

void writeValue(const QString& key, const QVariant& value) {
    if (t_Writing) {
        t_Writing->setValue(keyOf(key), value);
        return;
    }
    QSettings s = store();
    s.setValue(keyOf(key), value);
    s.sync();
}

int ranged(int value, int low, int high, int fallback) {
    return value < low || value > high ? fallback : value;
}

}  // namespace

ReadTogether::ReadTogether() {
    if (t_Together) return;
    m_Store = std::make_unique<QSettings>(QStringLiteral("Mirokaze"), QStringLiteral("Kuvora"));
    t_Together = m_Store.get();
}

ReadTogether::~ReadTogether() {
    if (m_Store) t_Together = nullptr;
}

WriteTogether::WriteTogether() {
    if (t_Writing) return;
    m_Store = std::make_unique<QSettings>(QStringLiteral("Mirokaze"), QStringLiteral("Kuvora"));
    t_Writing = m_Store.get();
}

WriteTogether::~WriteTogether() {
    if (!m_Store) return;
    t_Writing = nullptr;
    m_Store->sync();
}

int ReadInt(const QString& key, int defaultValue) {
    const QVariant v = valueOf(keyOf(key));
    if (!v.isValid()) return defaultValue;
    bool ok = false;
    const int value = v.toString().trimmed().toInt(&ok);
    return ok ? value : defaultValue;
}

QString ReadString(const QString& key, const QString& defaultValue) {
    const QVariant v = valueOf(keyOf(key));
    return v.isValid() ? v.toString() : defaultValue;
}

void WriteInt(const QString& key, int value) { writeValue(key, value); }
void WriteString(const QString& key, const QString& value) { writeValue(key, value); }

int Mode() { return ReadInt(QStringLiteral("Mode"), 0); }
void SetMode(int mode) { WriteInt(QStringLiteral("Mode"), mode); }

int WindowWidth() {
    return ranged(ReadInt(QStringLiteral("WindowWidth"), kDefaultWindowWidth), 100, 16384, kDefaultWindowWidth);
}

int WindowHeight() {
    return ranged(ReadInt(QStringLiteral("WindowHeight"), kDefaultWindowHeight), 100, 16384, kDefaultWindowHeight);
}

int MenuStyle() { return ranged(ReadInt(QStringLiteral("NewMenuStyle"), kDefaultMenuStyle), 0, 5, kDefaultMenuStyle); }
bool TcpIpSend() { return ReadInt(QStringLiteral("TCPIPSend"), 0) != 0; }
QString ServerAddress() { return ReadString(QStringLiteral("ServerAddress")); }
int ServerPort() { return ranged(ReadInt(QStringLiteral("ServerPort"), 0), 0, 65535, 0); }
bool AlwaysHistoryRead() { return ReadInt(QStringLiteral("AllWaysHistoryRead"), 0) != 0; }

int ColumnWidth(int column, int defaultWidth) {
    return ReadInt(QStringLiteral("ColWith%1").arg(column), defaultWidth);
}

QString Reader() { return ReadString(QStringLiteral("Reader")); }

QString Language() {
    const QString value = ReadString(QStringLiteral("Language")).trimmed().toLower();
    return value == QLatin1String("ja") || value == QLatin1String("en") ? value : QStringLiteral("auto");
}

void SetLanguage(const QString& language) { WriteString(QStringLiteral("Language"), language); }

}  // namespace settings
