// Takes the pictures of docs/stored-cards.md, offscreen: several sample cards
// read into a private History.db with the sample station names, two named, the stored-cards dock with a stored
// card shown (stored-cards-dock.png), and the plain list filtered (plain-list.png).
//   stored_cards_screens OUTDIR
#include "CKuvoraDoc.h"
#include "CKuvoraView.h"
#include "CMainFrame.h"
#include "CommandIds.h"
#include "PlainHistoryView.h"
#include "StoredCardsDock.h"
#include "felica.h"
#include "TestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toUtf8());
    qputenv("XDG_DATA_HOME", (home.path() + "/data").toUtf8());
    QApplication app(argc, argv);
    const QString out = QString::fromLocal8Bit(argv[1]);
    test::importSampleNames();  // the sample cards' stations by name
    initialize_library();
    CKuvoraDoc doc;
    doc.OnNewDocument();
    CMainFrame frame(&doc);
    frame.resize(1180, 640);
    frame.show();
    for (const char* card : {"rapica-sample.json", "edy-sample.json", "ica-sample.json", "suica-sample.json"}) {
        set_reader_writer_name(("image:" KUVORA_SOURCE_DIR "/data/cards/" + std::string(card)).c_str());
        frame.Execute(cmd::CardRead);
    }
    frame.Execute(cmd::ViewStoredCards);
    StoredCardsDock* dock = frame.StoredCards();
    for (int row = 0; row < static_cast<int>(dock->Cards().size()); ++row) {
        if (dock->Cards()[static_cast<std::size_t>(row)].cardType == 1) dock->SetNickname(row, "通勤用");
        if (dock->Cards()[static_cast<std::size_t>(row)].cardType == 128) dock->SetNickname(row, "買い物");
    }
    for (int row = 0; row < static_cast<int>(dock->Cards().size()); ++row)
        if (dock->Cards()[static_cast<std::size_t>(row)].cardType == 1) {
            dock->Table()->selectRow(row);
            dock->Choose(row);
        }
    QApplication::processEvents();
    bool ok = frame.grab().save(out + "/stored-cards-dock.png");

    frame.Execute(cmd::ViewPlainList);
    PlainHistoryView* plain = frame.View()->PlainView();
    plain->RangeChoice()->setChecked(true);
    plain->FromDate()->setDate(QDate(2026, 11, 17));
    plain->ToDate()->setDate(QDate(2026, 11, 25));
    plain->TextFilter()->setText("支払");
    plain->Table()->sortByColumn(2, Qt::AscendingOrder);
    plain->Table()->sortByColumn(0, Qt::AscendingOrder);
    plain->Table()->selectRow(1);
    QApplication::processEvents();
    ok = frame.grab().save(out + "/plain-list.png") && ok;
    close_reader_writer();
    dispose_library();
    return ok ? 0 : 1;
}
