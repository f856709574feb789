// The settings store: section "Settings" of the per-user store
// $XDG_CONFIG_HOME/Mirokaze/Kuvora.conf. Every read goes to the file and
// every write reaches it at once; nothing is cached beyond a ReadTogether
// or a WriteTogether.
//
// A stored value that is not a whole number where one belongs reads as the
// caller's default; the typed readers below also apply each key's range.
#pragma once

#include <QString>

#include <memory>

class QSettings;

namespace settings {

// While one lives, the reads on this thread take their values from one
// reading of the file, as it was when the first of them was made (one look
// at the file instead of one per value).
class ReadTogether {
public:
    ReadTogether();
    ~ReadTogether();
    ReadTogether(const ReadTogether&) = delete;
    ReadTogether& operator=(const ReadTogether&) = delete;

private:
    std::unique_ptr<QSettings> m_Store;  // null in a nested one
};

// While one lives, the writes on this thread (and the reads, which see
// them) go to one store that reaches the file when it goes: one rewrite of
// the file for many values, as when the window saves its column widths.
class WriteTogether {
public:
    WriteTogether();
    ~WriteTogether();
    WriteTogether(const WriteTogether&) = delete;
    WriteTogether& operator=(const WriteTogether&) = delete;

private:
    std::unique_ptr<QSettings> m_Store;  // null in a nested one
};

int ReadInt(const QString& key, int defaultValue);
QString ReadString(const QString& key, const QString& defaultValue = QString());
void WriteInt(const QString& key, int value);
void WriteString(const QString& key, const QString& value);

constexpr int kDefaultWindowWidth = 940;
constexpr int kDefaultWindowHeight = 550;
constexpr int kDefaultMenuStyle = 4;

// Card mode as stored: any whole number (the Read command rejects unknown
// modes); 0 when missing or not a number.
int Mode();
void SetMode(int mode);
// Window size in pixels; the default when missing, not a number, below 100
// or above 16384.
int WindowWidth();
int WindowHeight();
// Menu style 0..5; anything else is 4.
int MenuStyle();
bool TcpIpSend();
QString ServerAddress();
// 0..65535; anything else reads as 0.
int ServerPort();
bool AlwaysHistoryRead();
// Grid column width "ColWith<i>"; the default when missing or not a number.
int ColumnWidth(int column, int defaultWidth);
// Reader name ("Reader"), empty when missing.
QString Reader();
// The language of the window and of kuvora-cli's human output ("Language"):
// "ja", "en", or "auto" (missing or any other value) to follow the locale.
QString Language();
void SetLanguage(const QString& language);

}  // namespace settings
