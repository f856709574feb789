#include "CHistoryModel.h"
#include "CKuvoraDoc.h"
#include "CKuvoraView.h"
#include "CMainFrame.h"
#include "CNameCodeDlg.h"
#include "NamingProgressDialog.h"
#include "TestSupport.h"
#include "ViewLayout.h"

#include <QApplication>
#include <QCursor>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTimer>

#include <gtest/gtest.h>

using namespace history;

namespace {

// The grid cell of a record's display column.
QModelIndex cellOf(const CHistoryModel& model, int record, int column) {
    for (int c = 0; c < view::kGridColumns; ++c) {
        if (view::Column(c).upper == column) return model.index(2 * record, c);
        if (view::Column(c).lower == column) return model.index(2 * record + 1, c);
    }
    return {};
}

// Runs `onDialog` on the modal dialog the next event loop shows (if any).
void whenModal(std::function<void(QWidget*)> onDialog) {
    QTimer::singleShot(0, [onDialog] {
        QWidget* w = QApplication::activeModalWidget();
        onDialog(w);
        if (w && w->isVisible()) static_cast<QDialog*>(w)->reject();
    });
}

}  // namespace

// Double-click on an unknown station opens the dialog over its key; OK names
// every row with the key in the grid at once. Other cells open nothing.
TEST(NameCode, DoubleClickOnAnUnknownNameNamesItsCode) {
    test::IsolatedHome home;
    RecordingMessageSink messages;
    ScopedMessageSink sink{&messages};
    test::LibrarySession session("image:" + test::sourcePath("data/cards/suica-sample.json"));
    CKuvoraDoc doc;
    doc.OnNewDocument();
    doc.m_nMode = 1;
    doc.OnCardRead();
    CMainFrame frame(&doc);
    CKuvoraView* view = frame.View();
    view->OnUpdate();
    const CHistoryModel& model = *view->Model();

    const QModelIndex station = cellOf(model, 0, DepartureStation);
    ASSERT_EQ(model.data(station).toString(), "未登録");
    const auto cell = view->UnknownNameAt(station);
    ASSERT_TRUE(cell);
    EXPECT_EQ(cell->key, (NameKey{FindStationCodeTable("StationCode"), {0, 0x01, 0x10}}));
    EXPECT_FALSE(view->UnknownNameAt(cellOf(model, 0, Balance)));
    EXPECT_FALSE(view->UnknownNameAt(cellOf(model, 0, DepartureStationCode)));

    // The context menu's item is enabled on the unknown name only.
    for (const auto& [index, enabled] : {std::pair{station, true}, std::pair{cellOf(model, 0, Balance), false}}) {
        bool found = false, itemEnabled = !enabled;
        QTimer::singleShot(0, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            for (QAction* a : menu ? menu->actions() : QList<QAction*>())
                if (a->text() == "駅名を登録...") found = true, itemEnabled = a->isEnabled();
            if (menu) menu->close();
        });
        emit view->Grid()->customContextMenuRequested(view->Grid()->visualRect(index).center());
        EXPECT_TRUE(found);
        EXPECT_EQ(itemEnabled, enabled);
    }

    // A cell that is not an unknown name: no dialog.
    bool shown = true;
    whenModal([&](QWidget* w) { shown = w != nullptr; });
    view->Grid()->setCurrentIndex(cellOf(model, 0, Balance));
    emit view->Grid()->doubleClicked(cellOf(model, 0, Balance));
    QApplication::processEvents();
    EXPECT_FALSE(shown);

    QString keyShown;
    bool okWhileEmpty = true;
    whenModal([&](QWidget* w) {
        auto* dialog = qobject_cast<CNameCodeDlg*>(w);
        ASSERT_TRUE(dialog);
        keyShown = dialog->findChild<QLabel*>("keyCodes")->text();
        okWhileEmpty = dialog->OkButton()->isEnabled();
        dialog->NameEdit()->setText("見本中央");
        dialog->CompanyEdit()->setText("見本鉄道");
        if (const QByteArray shot = qgetenv("KUVORA_NAMING_SHOT"); !shot.isEmpty()) dialog->grab().save(shot);
        dialog->OkButton()->click();
    });
    view->Grid()->setCurrentIndex(station);
    emit view->Grid()->doubleClicked(station);
    EXPECT_FALSE(okWhileEmpty);
    EXPECT_TRUE(keyShown.contains("LineCode = 0x01 (1)")) << keyShown.toStdString();
    EXPECT_TRUE(keyShown.contains("StationCode = 0x10 (16)")) << keyShown.toStdString();
    EXPECT_EQ(model.data(station).toString(), "見本中央");
    EXPECT_EQ(model.data(cellOf(model, 0, DepartureCompany)).toString(), "見本鉄道");
    EXPECT_FALSE(view->UnknownNameAt(station));
    int named = 0;
    for (int r = 0; r < doc.m_nRows; ++r)
        named += model.data(cellOf(model, r, ArrivalStation)).toString() == "見本中央";
    EXPECT_GT(named, 0);  // the same code where trips ended
    EXPECT_TRUE(messages.messages.isEmpty()) << messages.messages.join('|').toStdString();
}

// The name fields hold 255 characters, one beyond U+FFFF counting once;
// what goes past the limit, typed or set, is dropped.
TEST(NameCode, TheFieldsCountCharactersNotUtf16Units) {
    const QString kichi = QString::fromUcs4(U"\U00020BB7", 1);
    const QString full = kichi.repeated(255);
    CNameCodeDlg dialog(NameKey{FindStationCodeTable("StationCode"), {0, 1, 16}});
    const struct {
        QString set, typed, expected;
    } cases[] = {
        {full, "", full},
        {kichi.repeated(300), "", full},
        {QString(300, 'a'), "", QString(255, 'a')},
        {full, "x", full},
        {kichi.repeated(254), "xy", kichi.repeated(254) + "x"},
        {QString(254, 'a'), kichi + kichi, QString(254, 'a') + kichi},
    };
    for (QLineEdit* edit : {dialog.NameEdit(), dialog.CompanyEdit()})
        for (const auto& c : cases) {
            edit->setText(c.set);
            edit->end(false);
            if (!c.typed.isEmpty()) edit->insert(c.typed);
            EXPECT_EQ(edit->text(), c.expected) << c.set.size() << " + " << c.typed.toStdString();
        }
    // Typed in the middle, the extra character is the one dropped.
    dialog.NameEdit()->setText(QString(255, 'a'));
    dialog.NameEdit()->setCursorPosition(1);
    dialog.NameEdit()->insert("b");
    EXPECT_EQ(dialog.NameEdit()->text(), QString(255, 'a'));
    EXPECT_EQ(dialog.Name(), QString(255, 'a'));
}

// A name or company holding a control character is refused on the dialog's
// message line, in Japanese; the dialog stays open until it is mended.
TEST(NameCode, TheDialogRefusesNamesWithControlCharacters) {
    const NameKey key{FindStationCodeTable("StationCode"), {0, 1, 99}};
    const struct {
        QString name, company;
        bool accepted;
        QString line = {};
    } cases[] = {
        {"高輪ゲートウェイ", "見本鉄道", true},
        {"a\tb", "", false},
        {"a\nb", "", false},
        {"a\rb", "", false},
        {QString("a") + QChar(1) + "b", "", false},
        {"名前", QString("会社") + QChar(0x1F), false},
        {"x\u202Ey", "", false},
        {"名前", "\u2067会社", false},
        {"a\u2028b", "", false},
        {"a\u2029b", "", false},
        {"名前", "会社", false, "本線\u202D"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        CNameCodeDlg dialog(key);
        dialog.NameEdit()->setText(c.name);
        dialog.CompanyEdit()->setText(c.company);
        dialog.LineEdit()->setText(c.line);
        ASSERT_TRUE(dialog.OkButton()->isEnabled());
        dialog.show();
        dialog.OkButton()->click();
        EXPECT_EQ(dialog.result() == QDialog::Accepted, c.accepted);
        EXPECT_EQ(dialog.isVisible(), !c.accepted);
        EXPECT_EQ(dialog.ErrorLabel()->isVisible(), !c.accepted);
        if (!c.accepted) {
            EXPECT_TRUE(dialog.ErrorLabel()->text().contains("制御文字"));
        }
    }
}

// A naming that outlasts the delay shows a busy dialog with its Japanese text
// and no cancel button (the write runs to its end), and takes it away when
// done; one within the delay shows nothing.
TEST(NameCode, ALongNamingShowsProgressUntilItEnds) {
    QWidget window;
    window.show();
    struct Case {
        int delayMs;
        bool shown;
    };
    for (const Case c : {Case{0, true}, Case{3600 * 1000, false}}) {
        QPointer<QProgressDialog> shown;
        {
            NamingProgressDialog progress(&window, c.delayMs);
            const NamingProgress pulse = progress.Callback();
            pulse();
            pulse();
            shown = progress.Dialog();
            ASSERT_EQ(shown != nullptr, c.shown) << c.delayMs;
            if (shown) {
                EXPECT_TRUE(shown->isVisible());
                EXPECT_EQ(shown->labelText(), QString::fromUtf8("保存済みの行に名前を付けています..."));
                EXPECT_EQ(shown->findChild<QPushButton*>(), nullptr);
                EXPECT_EQ(QApplication::overrideCursor() ? QApplication::overrideCursor()->shape() : Qt::ArrowCursor,
                          Qt::WaitCursor);
            }
        }
        EXPECT_EQ(shown, nullptr);
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }
}
