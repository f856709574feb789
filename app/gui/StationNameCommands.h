// The window's ways to station names: the bar that offers to name the codes
// a read left 未登録, ファイル → 駅名表を取り込む... and 駅名表を書き出す...
// (the same import and export as kuvora-stationdb), the Japanese texts of
// the import's problems, and the hint the empty window shows.
#pragma once

#include <QDialog>
#include <QFrame>
#include <QString>
#include <QStringList>

class CKuvoraDoc;
class QLabel;
class QPlainTextEdit;
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

// ファイル → 駅名表を取り込む...: asks for the CSV files, imports them, names the
// stored rows and the document's rows, and says what happened. `files`
// skips the file dialog. Returns true when the names were imported.
bool ImportStationTablesFromWindow(QWidget* parent, CKuvoraDoc& doc, QStringList files = {});

// ファイル → 駅名表を書き出す...: writes the user's names, a CSV file per table,
// into the folder chosen (or `folder`). Returns true when written.
bool ExportStationTablesFromWindow(QWidget* parent, QString folder = {});
