// The window's ways to station names: the bar that offers to name the codes
// a read left 未登録, ファイル → 駅名表を取り込む... and 駅名表を書き出す...
// (the same import and export as kuvora-stationdb), the Japanese texts of
// the import's problems, and the hint the empty window shows.
#pragma once

#include "StationNameTransfer.h"

#include <QDialog>
#include <QFrame>
#include <QString>
#include <QStringList>

#include <functional>

class CKuvoraDoc;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

// The empty window's hint: how to read a card, the reader that will be used
// and where to choose another.
QString ReaderDisplayName(const QString& reader);
QString EmptyWindowHint(const QString& reader);

// A problem of a station CSV import (as the import reports it) in Japanese;
// a text of no known shape passes through unchanged.
QString StationImportText(const QString& english);

// The bar above the view after a read that left names 未登録: what it means
// and two buttons, 駅名を登録 and 駅名表を取り込む...; 「今後表示しない」 hides
// it for good (setting "UnregisteredNamesBar" 0), × until the next read.
class UnregisteredNamesBar : public QFrame {
    Q_OBJECT
public:
    explicit UnregisteredNamesBar(QWidget* parent = nullptr);

    // Shown when `unregistered` and not hidden for good; hidden otherwise.
    void ShowFor(bool unregistered);
    // Whether the user has hidden the bar for good.
    static bool HiddenForGood();

    QPushButton* NameButton() const { return m_pName; }
    QPushButton* ImportButton() const { return m_pImport; }
    QPushButton* NeverButton() const { return m_pNever; }
    QPushButton* CloseButton() const { return m_pClose; }

signals:
    void NameRequested();
    void ImportRequested();

private:
    QPushButton* m_pName;
    QPushButton* m_pImport;
    QPushButton* m_pNever;
    QPushButton* m_pClose;
};

// The problems that stopped an import, one a line, in a scrollable list;
// the files chosen are named by their names alone.
class StationImportErrorsDialog : public QDialog {
    Q_OBJECT
public:
    StationImportErrorsDialog(const QStringList& problems, const QStringList& files, QWidget* parent = nullptr);
    QPlainTextEdit* List() const { return m_pList; }

private:
    QPlainTextEdit* m_pList;
};

// How far the window's import has got: what it does, a bar and 中止, which
// stops it until the names are written (the naming of the stored rows after
// that runs to its end). Closing the dialog asks the same as 中止.
class StationImportProgressDialog : public QDialog {
    Q_OBJECT
public:
    explicit StationImportProgressDialog(QWidget* parent = nullptr);
    void Show(ImportStage stage, qint64 done, qint64 total);
    bool Stopping() const { return m_bStopping; }
    QLabel* Label() const { return m_pLabel; }
    QProgressBar* Bar() const { return m_pBar; }
    QPushButton* StopButton() const { return m_pStop; }
    void reject() override;

signals:
    void StopRequested();

private:
    QLabel* m_pLabel;
    QProgressBar* m_pBar;
    QPushButton* m_pStop;
    bool m_bStopping = false;
    bool m_bStoppable = true;
};

// The import of `files` into the user's database and the naming of the
// stored rows, on a thread of its own: the window keeps painting and
// answering (automation calls included) meanwhile. Input to the window
// waits; once the import has run `showAfterMs`, the dialog above shows how
// far it has got. `shown` (when given) is told the dialog once it is shown.
StationImport RunStationImport(QWidget* parent, const QStringList& files, int showAfterMs = 400,
                               const std::function<void(StationImportProgressDialog*)>& shown = {});

// ファイル → 駅名表を取り込む...: asks for the CSV files, imports them (through
// RunStationImport), names the document's rows, and says what happened.
// `files` skips the file dialog. Returns true when the names were imported.
bool ImportStationTablesFromWindow(QWidget* parent, CKuvoraDoc& doc, QStringList files = {});

// At the window's start: stored rows that a killed import or naming left
// with their old names take the user's names (a busy dialog shows when it
// takes long). Returns the cells named.
int ResumeStoredNamingFromWindow(QWidget* parent);

// ファイル → 駅名表を書き出す...: writes the user's names, a CSV file per table,
// into the folder chosen (or `folder`). Returns true when written.
bool ExportStationTablesFromWindow(QWidget* parent, QString folder = {});
