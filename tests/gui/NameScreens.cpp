// Takes the pictures of docs/naming.md and docs/spending.md on the display
// it is given (run it under Xvfb): the empty window with its hint
// (empty-window.png), the 未登録 bar after a read (unregistered-bar.png), a
// rejected station table import (import-errors.png), the dialog of a long
// import (import-progress.png) and the balance chart
// of a named card (balance-chart.png, and its dialog: spending-dialog.png)
// with the sample station names,
// the naming dialog of the first 未登録 cell (naming-dialog.png), the
// journeys of the card (journeys-dialog.png) and the question before a
// stored card is deleted (forget-question.png). In the language of the
// locale: under English (LANGUAGE=en) each name ends in -en
// (empty-window-en.png ...).
//   name_screens OUTDIR
#include "CHistoryTable.h"
#include "CKuvoraDoc.h"
#include "CKuvoraView.h"
#include "CMainFrame.h"
#include "CNameCodeDlg.h"
#include "CommandIds.h"
#include "ShownText.h"
#include "SpendingDialog.h"
#include "StationDatabasePaths.h"
#include "StationNameCommands.h"
#include "StationNameTransfer.h"
#include "StoredCardsDock.h"
#include "StoredHistory.h"
#include "UiLanguage.h"
#include "felica.h"

#include <QApplication>
#include <QFile>
#include <QModelIndex>
#include <QTemporaryDir>
#include <QTimer>

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toUtf8());
    qputenv("XDG_DATA_HOME", (home.path() + "/data").toUtf8());
    QApplication app(argc, argv);
    InstallUiLanguage(app, ConfiguredUiLanguage(), true);
    const QString suffix = JapaneseUi() ? ".png" : "-en.png";
    const QString dir = QString::fromLocal8Bit(argv[1]);
    const auto out = [&](const char* name) { return dir + "/" + name + suffix; };
    initialize_library();
    set_reader_writer_name("auto");
    CKuvoraDoc doc;
    doc.OnNewDocument();
    CMainFrame frame(&doc);
    frame.resize(940, 550);
    frame.show();
    QApplication::processEvents();
    bool ok = frame.grab().save(out("empty-window"));

    set_reader_writer_name("image:" KUVORA_SOURCE_DIR "/data/cards/suica-sample.json");
    doc.m_nMode = 1;
    frame.Execute(cmd::CardRead);
    QApplication::processEvents();
    ok = frame.grab().save(out("unregistered-bar")) && ok;
    const auto unknown = frame.View()->UnknownNameAt(frame.View()->FirstUnknownNameCell());
    if (unknown) {
        CNameCodeDlg naming(unknown->key, &frame);
        naming.show();
        QApplication::processEvents();
        ok = naming.grab().save(out("naming-dialog")) && ok;
    }

    // A table with a wrong line and a repeated key.
    const QString bad = home.path() + "/StationCode.csv";
    QFile csv(bad);
    csv.open(QIODevice::WriteOnly);
    csv.write("AreaCode,LineCode,StationCode,CompanyName,LineName,StationName,Note\r\n"
              "0,0x01,0x10,見本鉄道,見本線,見本中央,\r\n"
              "0,0x01,0x300,見本鉄道,見本線,見本公園,\r\n"
              "0,0x01,0x10,見本鉄道,見本線,見本中央駅,\r\n"
              "0,0x01\r\n");
    csv.close();
    CHistoryTable history;
    const StationImport rejected =
        ImportStationTables({bad}, QString(), CsvEncoding::Detect, UserStationCodeDatabasePath(), history);
    StationImportErrorsDialog errors(rejected.errors, {bad}, &frame);
    errors.show();
    QApplication::processEvents();
    ok = errors.grab().save(out("import-errors")) && ok;
    errors.hide();

    // The dialog of a long import, part way through reading the table.
    StationImportProgressDialog progress(&frame);
    progress.Show(ImportStage::Reading, 42, 100);
    progress.show();
    QApplication::processEvents();
    ok = progress.grab().save(out("import-progress")) && ok;
    progress.hide();

    // The sample card's stations by name for its journeys, a nickname, and
    // the chart.
    QStringList samples;
    for (const char* table : {"StationCode", "ShopCode", "BusCode"})
        samples << QStringLiteral(KUVORA_SOURCE_DIR "/data/stationcode/sample/%1.csv").arg(QLatin1String(table));
    ImportStationTables(samples, QString(), CsvEncoding::Detect, UserStationCodeDatabasePath(), history, &doc);
    QString error;
    SetCardNickname(history, doc.m_strIDm, 1, "通勤用", error);
    SpendingDialog spending(doc, &frame);
    spending.resize(640, 640);
    spending.show();
    QApplication::processEvents();
    ok = spending.Chart()->grab().save(out("balance-chart")) && ok;
    ok = spending.grab().save(out("spending-dialog")) && ok;
    spending.hide();
    JourneysDialog journeys(doc, &frame);
    journeys.show();
    QApplication::processEvents();
    ok = journeys.grab().save(out("journeys-dialog")) && ok;
    journeys.hide();

    // The question the stored-cards dock asks, answered No.
    frame.Execute(cmd::ViewStoredCards);
    QTimer::singleShot(300, [&] {
        if (QWidget* box = QApplication::activeModalWidget()) {
            ok = box->grab().save(out("forget-question")) && ok;
            box->close();
        }
    });
    frame.StoredCards()->AskForget(0);
    close_reader_writer();
    dispose_library();
    return ok ? 0 : 1;
}
