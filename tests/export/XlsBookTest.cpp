#include "ExportTestSupport.h"
#include "XlsBook.h"

#include <QtEndian>

using XlsBook::Workbook;

TEST(XlsBook, ASmallWorkbookLivesInTheMiniStreamAndReadsBack) {
    Workbook book;
    ASSERT_EQ(book.SheetCount(), 1);
    ASSERT_TRUE(book.GetSheet("Sheet1"));
    EXPECT_FALSE(book.RenameSheet("Sheet1", ""));
    EXPECT_FALSE(book.RenameSheet("Sheet1", "a/b"));
    EXPECT_FALSE(book.RenameSheet("Sheet1", QString(32, 'x')));
    EXPECT_FALSE(book.RenameSheet("Nope", "Other"));
    ASSERT_TRUE(book.RenameSheet("Sheet1", "駅の一覧"));
    EXPECT_FALSE(book.GetSheet("Sheet1"));
    XlsBook::Worksheet* sheet = book.GetSheet("駅の一覧");
    ASSERT_TRUE(sheet);
    sheet->GetCell(0, 0).SetText("Date");
    sheet->GetCell(0, 1).SetText("駅");
    sheet->GetCell(2, 3).SetText("gone");
    sheet->GetCell(2, 3).SetText("");  // an empty text empties the cell
    EXPECT_FALSE(sheet->SetCellText(65536, 0, "x"));
    EXPECT_FALSE(sheet->SetCellText(0, 256, "x"));
    EXPECT_FALSE(sheet->SetCellText(-1, 0, "x"));
    EXPECT_TRUE(sheet->SetCellText(65535, 255, "corner"));

    const QByteArray file = book.Save();
    EXPECT_EQ(file.size() % 512, 0);
    // The stream is under 4096 bytes: the header names a mini FAT.
    EXPECT_NE(qFromLittleEndian<quint32>(file.constData() + 0x3C), 0xFFFFFFFEu);
    const QJsonObject read = test::readWorkbookBytes(file);
    EXPECT_EQ(read.keys(), QStringList{"駅の一覧"});
    EXPECT_EQ(test::cell(read, "駅の一覧", 0, 0), "Date");
    EXPECT_EQ(test::cell(read, "駅の一覧", 0, 1), "駅");
    EXPECT_EQ(test::cell(read, "駅の一覧", 2, 3), "");
    EXPECT_EQ(test::cell(read, "駅の一覧", 65535, 255), "corner");
}

TEST(XlsBook, ManyLongStringsSpanContinueRecordsAndAFatPastTheHeader) {
    // About 9 MB of strings: shared strings cut across CONTINUE records at
    // every offset, narrow and wide, surrogate pairs at the cuts, and a FAT
    // of more than 109 sectors, so DIFAT sectors.
    Workbook book;
    XlsBook::Worksheet* sheet = book.GetSheet("Sheet1");
    QStringList expected;
    for (int i = 0; i < 2600; ++i) {
        QString s;
        switch (i % 4) {
        case 0: s = QString("narrow %1 ").arg(i).repeated(1 + i % 700); break;
        case 1: s = QString("広い%1").arg(i).repeated(1 + i % 900); break;
        case 2: s = QString::fromUtf8("😀a").repeated(1 + (i * 7) % 1500); break;
        default: s = QString("é%1").arg(i).repeated(i % 5 + 1); break;
        }
        s = s.left(XlsBook::kMaxCellText);
        expected << s;
        sheet->GetCell(i / 10, i % 10).SetText(s);
        sheet->GetCell(300 + i / 10, i % 10).SetText(s);  // every string used twice
    }
    sheet->GetCell(600, 0).SetText(QString("z").repeated(40000));  // cut to the cell limit
    const QByteArray file = book.Save();
    ASSERT_GT(file.size(), 109 * 128 * 512);
    EXPECT_GT(qFromLittleEndian<quint32>(file.constData() + 0x48), 0u);  // DIFAT sectors
    const QJsonObject read = test::readWorkbookBytes(file);
    for (int i = 0; i < expected.size(); ++i) {
        ASSERT_EQ(test::cell(read, "Sheet1", i / 10, i % 10), expected[i]) << i;
        ASSERT_EQ(test::cell(read, "Sheet1", 300 + i / 10, i % 10), expected[i]) << i;
    }
    EXPECT_EQ(test::cell(read, "Sheet1", 600, 0).size(), XlsBook::kMaxCellText);
}
