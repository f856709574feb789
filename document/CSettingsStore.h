// The settings store: section "Settings" of the per-user store
// $XDG_CONFIG_HOME/Mirokaze/Kuvora.conf. Every read goes to the file and
// every write reaches it at once; nothing is cached.
//
// A stored value that is not a whole number where one belongs reads as the
// caller's default; the typed readers below also apply each key's range.
#pragma once

#include <QString>

namespace settings {

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

}  // namespace settings
