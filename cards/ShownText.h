// What a person reads. The program's own texts are Japanese wherever they
// are kept (History.db, exports, JSON, the TCP text); what the window and
// kuvora-cli show a person comes in the user's language, from the
// translation catalogue the program installed (none under Japanese).
#pragma once

#include <QCoreApplication>
#include <QString>

// The catalogue context of the texts the lower layers keep in Japanese:
// messages, the string table, card type names and labels.
inline constexpr char kStringsContext[] = "Strings";

// Message lines that carry a file name, as the history database says them.
inline constexpr char kHistoryDamagedLine[] = QT_TRANSLATE_NOOP(
    "Strings", "%1 は壊れているか履歴データベースではないため、変更せずにそのまま残しました。");
inline constexpr char kHistoryBusyLine[] =
    QT_TRANSLATE_NOOP("Strings", "%1 は他のプログラムが使用中です。今回の履歴は保存していません。");
inline constexpr char kHistoryReadOnlyLine[] =
    QT_TRANSLATE_NOOP("Strings", "%1 に書き込めないため、今回の履歴は保存していません。");

// The Green ticket dialog's message line after a failed read, with the
// library's error code.
inline constexpr char kGreenTicketReadFailedLine[] = QT_TRANSLATE_NOOP("Strings", "指定券等情報の読込に失敗しました(%1)。");

// `text` (a message, a label, a card type name) as the user reads it: each
// line the catalogue knows in its translation, a line of a known shape
// (a file name in it, an error code after it, the manufacturing date) with
// its parts put back; any other line as it is.
QString ShownText(const QString& text);

// Whether the user interface speaks Japanese (the default) or English.
bool JapaneseUi();
void SetJapaneseUi(bool japanese);
