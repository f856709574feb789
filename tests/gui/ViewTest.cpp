#include "CHistoryModel.h"
#include "CKuvoraDoc.h"
#include "CKuvoraView.h"
#include "CSettingsStore.h"
#include "TestSupport.h"
#include "ViewLayout.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QTableView>

#include <gtest/gtest.h>

using namespace history;

namespace {

// A view that counts the requests for the hidden service dump.
class CountingView : public CKuvoraView {
public:
    using CKuvoraView::CKuvoraView;
    int dumps = 0;
    void click(QPoint at, Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons = Qt::LeftButton,
               Qt::MouseButton button = Qt::LeftButton) {
        QMouseEvent e(QEvent::MouseButtonPress, QPointF(at), mapToGlobal(QPointF(at)), button, buttons, modifiers);
        mousePressEvent(&e);
    }

protected:
    void OnServiceDumpRequested() override { ++dumps; }
};

void fillDoc(CKuvoraDoc& doc, int records) {
    doc.m_nRows = records;
    for (int r = 0; r < records; ++r) {
        doc.m_History.SetText(BlockData, r, QString::asprintf("%032X", r));
        doc.m_History.SetText(TerminalCode, r, "16");
        doc.m_History.SetText(Terminal, r, QString("改札機%1").arg(r));
        doc.m_History.SetText(Balance, r, QString::asprintf("%5d", r));
        doc.m_History.SetText(Charge, r, QString::asprintf("%5d", -r));
        doc.m_History.SetText(Note1, r, "note1");
        doc.m_History.SetText(Note2, r, "note2");
    }
}

QColor background(const CHistoryModel& m, int row, int column) {
    return m.data(m.index(row, column), Qt::BackgroundRole).value<QBrush>().color();
}

}  // namespace

TEST(HistoryModel, TwoRowsPerRecordWithTheirTextsAndColours) {
    test::IsolatedHome home;
    for (int records : {0, 1, 20, 1000}) {
        CKuvoraDoc doc;
        fillDoc(doc, records);
        CHistoryModel model(&doc);
        ASSERT_EQ(model.rowCount(), 2 * records);
        ASSERT_EQ(model.columnCount(), 12);
        EXPECT_EQ(model.headerData(0, Qt::Horizontal).toString(), "生データ");
        EXPECT_EQ(model.headerData(2, Qt::Horizontal).toString(), "処 理");
        EXPECT_EQ(model.headerData(11, Qt::Horizontal).toString(), "備 考");
        if (records == 0) continue;
        const int last = records - 1;
        for (int m : {0, last}) {
            EXPECT_EQ(model.index(2 * m, 0).data().toString(), QString::asprintf("%032X", m));
            EXPECT_EQ(model.index(2 * m + 1, 0).data().toString(), "");
            EXPECT_EQ(model.index(2 * m, 1).data().toString(), "16");
            EXPECT_EQ(model.index(2 * m + 1, 1).data().toString(), QString("改札機%1").arg(m));
            EXPECT_EQ(model.index(2 * m, 9).data().toString(), QString::asprintf("%5d", m));
            EXPECT_EQ(model.index(2 * m + 1, 9).data().toString(), QString::asprintf("%5d", -m));
            EXPECT_EQ(model.index(2 * m, 11).data().toString(), "note2");  // Note2 above Note1
            EXPECT_EQ(model.index(2 * m + 1, 11).data().toString(), "note1");
            const QColor colour = m % 2 == 0 ? QColor(239, 239, 255) : QColor(255, 255, 255);
            EXPECT_EQ(background(model, 2 * m, 4), colour);
            EXPECT_EQ(background(model, 2 * m + 1, 4), colour);
        }
        EXPECT_EQ(model.data(model.index(1, 9), Qt::ForegroundRole).value<QBrush>().color(), QColor(80, 80, 255));
        EXPECT_EQ(model.data(model.index(0, 9), Qt::ForegroundRole).value<QBrush>().color(), QColor(0, 0, 0));
        EXPECT_FALSE(model.flags(model.index(0, 0)) & Qt::ItemIsEditable);
    }
}

TEST(HeaderBand, TextsForSuicaEdyAndJalIc) {
    test::IsolatedHome home;
    CKuvoraDoc doc;
    doc.m_strLibraryVersion = "Library 1.0";
    doc.m_strIDm = "0101041087654321";
    doc.m_strMakeDate = " (FeliCa製造 2018年01月26日)";
    doc.m_strCardTypeName = "Edy";
    doc.m_strCardNumber = "1122334455667788";
    doc.m_nCardType = 128;
    auto texts = [&doc] {
        QStringList out;
        for (const auto& t : view::HeaderBandTexts(doc)) out << QString("%1,%2 %3").arg(t.x).arg(t.y).arg(t.text);
        return out;
    };
    EXPECT_EQ(texts(), QStringList({"10,10 Library 1.0", "10,26 FeliCa 製造番号(IDm)",
                                    "164,26 : 0101041087654321 (FeliCa製造 2018年01月26日)", "10,42 SF カードタイプ",
                                    "164,42 : Edy", "10,58 Edy No.", "164,58 : 1122334455667788"}));
    doc.m_nCardType = 129;
    doc.m_strCardTypeName = "JAL IC";
    EXPECT_EQ(texts().mid(5, 2), QStringList({"10,58 JMB No.", "164,58 : 1122334455667788"}));
    doc.m_nCardType = 1;
    doc.m_strCardNumber.clear();
    doc.m_GateLog[1][0] = "A0";
    doc.m_GateLog[1][1] = "26年11月07日07時45分";
    doc.m_GateLog[1][2] = "入場";
    doc.m_GateLog[2][6] = "  140";
    EXPECT_EQ(texts().mid(5), QStringList({"10,90 A0", "287,90 26年11月07日07時45分", "247,90 入場", "681,106   140"}));
}

TEST(HeaderBand, BrandAfterTheTypeLabelAndTheNanacoAndWaonNumbers) {
    test::IsolatedHome home;
    CKuvoraDoc doc;
    doc.m_strIDm = "0101041087654321";
    auto line = [&doc](int y) {
        QStringList out;
        for (const auto& t : view::HeaderBandTexts(doc))
            if (t.y == y) out << QString("%1 %2").arg(t.x).arg(t.text);
        return out;
    };
    doc.m_nCardType = 1;
    doc.m_strCardTypeName = "Suica/ICOCA/TOICA/PiTaPa/PASMO";
    doc.m_strBrand = "PASMO";
    EXPECT_EQ(line(42), QStringList({"10 SF カードタイプ", "164 : Suica/ICOCA/TOICA/PiTaPa/PASMO（PASMO）"}));
    doc.m_strBrand.clear();  // no single brand: the label alone
    EXPECT_EQ(line(42), QStringList({"10 SF カードタイプ", "164 : Suica/ICOCA/TOICA/PiTaPa/PASMO"}));
    EXPECT_TRUE(line(58).isEmpty());
    const struct {
        int type;
        const char* label;
    } numbered[] = {{131, "nanaco No."}, {132, "WAON No."}};
    for (const auto& n : numbered) {
        doc.m_nCardType = n.type;
        doc.m_strCardNumber = "7100123456789012";
        EXPECT_EQ(line(58), QStringList({QString("10 ") + n.label, "164 : 7100123456789012"})) << n.type;
    }
}

TEST(View, ColumnWidthsAreKeptBetweenRuns) {
    test::IsolatedHome home;
    CKuvoraDoc doc;
    settings::WriteInt("ColWith3", 0);
    settings::WriteInt("ColWith5", -20);
    {
        CKuvoraView view(&doc);
        EXPECT_EQ(view.Grid()->columnWidth(0), 51);
        EXPECT_EQ(view.Grid()->columnWidth(11), 100);
        EXPECT_TRUE(view.Grid()->isColumnHidden(3));
        // A negative width leaves the grid's own width.
        EXPECT_EQ(view.Grid()->columnWidth(5), view.Grid()->horizontalHeader()->defaultSectionSize());
        view.Grid()->setColumnWidth(1, 133);
    }
    EXPECT_EQ(settings::ColumnWidth(1, 0), 133);
    EXPECT_EQ(settings::ColumnWidth(3, 7), 0);
    CKuvoraView again(&doc);
    EXPECT_EQ(again.Grid()->columnWidth(1), 133);
    EXPECT_TRUE(again.Grid()->isColumnHidden(3));
    EXPECT_EQ(again.Grid()->horizontalHeader()->height(), 24);
}

TEST(View, ClicksInTheBandClearTheSelectionAndOpenTheDump) {
    test::IsolatedHome home;
    CKuvoraDoc doc;
    fillDoc(doc, 5);
    CountingView view(&doc);
    view.resize(800, 400);
    view.OnUpdate();
    const auto both = Qt::ControlModifier | Qt::ShiftModifier;
    view.click({1, 1}, both);
    view.click({9, 9}, both);
    EXPECT_EQ(view.dumps, 2);
    view.click({0, 5}, both);
    view.click({10, 5}, both);
    view.click({5, 5}, Qt::ControlModifier);
    view.click({5, 5}, both | Qt::AltModifier);
    view.click({5, 5}, both, Qt::LeftButton | Qt::RightButton);
    view.click({5, 5}, both, Qt::RightButton, Qt::RightButton);
    EXPECT_EQ(view.dumps, 2);

    view.SelectAll();
    EXPECT_EQ(view.Grid()->selectionModel()->selectedIndexes().size(), 10 * 12);
    view.click({300, 130}, Qt::NoModifier);  // the grid's first pixel row
    EXPECT_FALSE(view.Grid()->selectionModel()->selectedIndexes().isEmpty());
    view.click({300, 129}, Qt::NoModifier);
    EXPECT_TRUE(view.Grid()->selectionModel()->selectedIndexes().isEmpty());
}

TEST(View, TheGridFollowsTheDocumentWhenToldAndFillsTheRest) {
    test::IsolatedHome home;
    CKuvoraDoc doc;
    CKuvoraView view(&doc);
    view.resize(600, 400);
    view.show();
    EXPECT_EQ(view.Grid()->geometry(), QRect(0, 130, 600, 270));
    EXPECT_EQ(view.Model()->rowCount(), 40);  // 20 empty records before the first read
    fillDoc(doc, 3);
    EXPECT_EQ(view.Model()->rowCount(), 40);  // no change until the document says so
    view.OnUpdate();
    EXPECT_EQ(view.Model()->rowCount(), 6);
    view.resize(600, 100);
    EXPECT_EQ(view.Grid()->height(), 0);
}
