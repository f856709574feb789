// XlsBook: writes Excel 97 workbooks (BIFF8 records in a compound file)
// whose worksheets hold text cells. A new workbook has one worksheet,
// "Sheet1"; cells are set by (row, column), rows 0..65535 and columns
// 0..255. An empty text leaves its cell empty.
#pragma once

#include <QByteArray>
#include <QString>

#include <map>
#include <memory>
#include <vector>

namespace XlsBook {

constexpr int kMaxRows = 65536;
constexpr int kMaxColumns = 256;
// The most UTF-16 units a cell holds; longer texts are cut.
constexpr int kMaxCellText = 32767;

class Worksheet;

// One cell of a worksheet, as handed out by Worksheet::GetCell.
class Cell {
public:
    // Sets the cell's text; an empty text empties the cell. Does nothing
    // for a cell outside the sheet's limits.
    void SetText(const QString& text);
    QString Text() const;

private:
    friend class Worksheet;
    Cell(Worksheet* sheet, int row, int column) : m_pSheet(sheet), m_nRow(row), m_nColumn(column) {}
    Worksheet* m_pSheet;
    int m_nRow;
    int m_nColumn;
};

class Worksheet {
public:
    explicit Worksheet(const QString& name) : m_strName(name) {}

    const QString& Name() const { return m_strName; }
    Cell GetCell(int row, int column) { return Cell(this, row, column); }
    // False (and nothing set) outside rows 0..65535 and columns 0..255.
    bool SetCellText(int row, int column, const QString& text);
    QString CellText(int row, int column) const;
    // A column's width in characters (0.1 to 255); false outside the sheet.
    bool SetColumnWidth(int column, double characters);
    const std::map<int, double>& ColumnWidths() const { return m_ColumnWidths; }
    // Cells that hold text, row by row.
    const std::map<quint32, QString>& Cells() const { return m_Cells; }

    static quint32 Key(int row, int column) { return quint32(row) << 8 | quint32(column); }

private:
    friend class Workbook;
    QString m_strName;
    std::map<quint32, QString> m_Cells;
    std::map<int, double> m_ColumnWidths;
};

class Workbook {
public:
    // A workbook with one empty worksheet, "Sheet1".
    Workbook();

    // Gives a worksheet a new name of 1 to 31 characters without : \ / ? * [ ]
    // that no other sheet has; false when it cannot.
    bool RenameSheet(const QString& from, const QString& to);
    // The worksheet of this name, or null.
    Worksheet* GetSheet(const QString& name);
    int SheetCount() const { return static_cast<int>(m_Sheets.size()); }

    // The workbook stream (BIFF8 records) and the whole file.
    QByteArray WorkbookStream() const;
    QByteArray Save() const;

    static bool IsValidSheetName(const QString& name);

private:
    std::vector<std::unique_ptr<Worksheet>> m_Sheets;
};

// A compound file (version 3, 512-byte sectors) holding one stream named
// `streamName` in its root storage. Streams under 4096 bytes go into the
// mini stream, as readers expect.
QByteArray CompoundFile(const QString& streamName, const QByteArray& stream);

}  // namespace XlsBook
