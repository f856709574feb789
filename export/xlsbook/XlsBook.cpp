// The workbook stream: a globals substream (fonts, cell formats, the sheet
// list and the shared strings) followed by one substream per worksheet whose
// cells are LABELSST records pointing into the shared strings.
#include "XlsBook.h"

#include <QtEndian>

#include <algorithm>
#include <unordered_map>

namespace XlsBook {

namespace {

constexpr int kMaxRecordData = 8224;
constexpr quint16 kBof = 0x0809, kEof = 0x000A, kCodePage = 0x0042, kWindow1 = 0x003D, kFont = 0x0031,
                  kXf = 0x00E0, kStyle = 0x0293, kBoundSheet = 0x0085, kSst = 0x00FC, kContinue = 0x003C,
                  kExtSst = 0x00FF, kColInfo = 0x007D, kDimensions = 0x0200, kLabelSst = 0x00FD, kWindow2 = 0x023E;
constexpr quint16 kCellXf = 15;

class Bytes {
public:
    void u8(quint8 v) { m_b.append(static_cast<char>(v)); }
    void u16(quint16 v) {
        char b[2];
        qToLittleEndian(v, b);
        m_b.append(b, 2);
    }
    void u32(quint32 v) {
        char b[4];
        qToLittleEndian(v, b);
        m_b.append(b, 4);
    }
    void raw(const QByteArray& b) { m_b.append(b); }
    qsizetype size() const { return m_b.size(); }
    QByteArray& data() { return m_b; }

private:
    QByteArray m_b;
};

bool isWide(const QString& s) {
    return std::any_of(s.begin(), s.end(), [](QChar c) { return c.unicode() > 0xFF; });
}

// Characters of a string, one byte each (U+0000..U+00FF) or UTF-16LE.
void appendChars(Bytes& out, const QString& s, qsizetype from, qsizetype count, bool wide) {
    for (qsizetype i = from; i < from + count; ++i) {
        if (wide) out.u16(s[i].unicode());
        else out.u8(static_cast<quint8>(s[i].unicode()));
    }
}

// The stream: records of at most 8224 bytes of data.
class RecordStream {
public:
    void record(quint16 type, const QByteArray& data) {
        m_Out.u16(type);
        m_Out.u16(static_cast<quint16>(data.size()));
        m_Out.raw(data);
    }
    void record(quint16 type, Bytes& data) { record(type, data.data()); }
    qsizetype size() const { return m_Out.size(); }
    QByteArray& data() { return m_Out.data(); }

private:
    Bytes m_Out;
};

void bof(RecordStream& out, quint16 kind) {
    Bytes b;
    b.u16(0x0600);
    b.u16(kind);
    b.u16(0x0DBB);
    b.u16(0x07CC);
    b.u32(0x00000001);
    b.u32(0x00000006);
    out.record(kBof, b);
}

void font(RecordStream& out, bool bold, bool italic) {
    Bytes b;
    b.u16(200);  // 10 points
    b.u16(italic ? 0x0002 : 0);
    b.u16(0x7FFF);
    b.u16(bold ? 700 : 400);
    b.u16(0);
    b.u8(0);
    b.u8(0);
    b.u8(0);
    b.u8(0);
    const QByteArray name("Arial");
    b.u8(static_cast<quint8>(name.size()));
    b.u8(0);
    b.raw(name);
    out.record(kFont, b);
}

void xf(RecordStream& out, bool style) {
    Bytes b;
    b.u16(0);                        // font
    b.u16(0);                        // number format General
    b.u16(style ? 0xFFF5 : 0x0001);  // style XF with no parent, or a locked cell XF on style 0
    b.u16(0x0020);                   // bottom-aligned
    b.u16(0);
    b.u32(0);
    b.u32(0);
    b.u16(0x20C0);  // automatic fill colours
    out.record(kXf, b);
}

// The shared strings, cut into CONTINUE records where they pass 8224
// bytes; a string cut in its characters goes on with its width byte again.
class SstWriter {
public:
    explicit SstWriter(RecordStream& out) : m_Out(out) {}

    void begin(quint32 total, quint32 unique) {
        m_nType = kSst;
        m_Rec = Bytes();
        m_Rec.u32(total);
        m_Rec.u32(unique);
    }
    // Adds a string; returns its stream offset and its offset in the record
    // that holds its start (header included).
    std::pair<quint32, quint16> add(const QString& s) {
        const bool wide = isWide(s);
        const int width = wide ? 2 : 1;
        if (room() < 3 + (s.isEmpty() ? 0 : width)) next();
        const std::pair<quint32, quint16> at{static_cast<quint32>(m_Out.size() + 4 + m_Rec.size()),
                                             static_cast<quint16>(4 + m_Rec.size())};
        m_Rec.u16(static_cast<quint16>(s.size()));
        m_Rec.u8(wide ? 1 : 0);
        qsizetype done = 0;
        while (done < s.size()) {
            qsizetype n = std::min<qsizetype>(room() / width, s.size() - done);
            // A surrogate pair stays in one record.
            if (n > 0 && done + n < s.size() && s[done + n - 1].isHighSurrogate()) --n;
            if (n == 0) {
                next();
                m_Rec.u8(wide ? 1 : 0);
                continue;
            }
            appendChars(m_Rec, s, done, n, wide);
            done += n;
        }
        return at;
    }
    void end() { m_Out.record(m_nType, m_Rec); }

private:
    int room() const { return kMaxRecordData - static_cast<int>(m_Rec.size()); }
    void next() {
        m_Out.record(m_nType, m_Rec);
        m_nType = kContinue;
        m_Rec = Bytes();
    }
    RecordStream& m_Out;
    quint16 m_nType = kSst;
    Bytes m_Rec;
};

QString cutText(const QString& text) {
    if (text.size() <= kMaxCellText) return text;
    qsizetype n = kMaxCellText;
    if (text[n - 1].isHighSurrogate()) --n;
    return text.left(n);
}

}  // namespace

void Cell::SetText(const QString& text) { m_pSheet->SetCellText(m_nRow, m_nColumn, text); }
QString Cell::Text() const { return m_pSheet->CellText(m_nRow, m_nColumn); }

bool Worksheet::SetCellText(int row, int column, const QString& text) {
    if (row < 0 || row >= kMaxRows || column < 0 || column >= kMaxColumns) return false;
    if (text.isEmpty()) m_Cells.erase(Key(row, column));
    else m_Cells[Key(row, column)] = cutText(text);
    return true;
}

bool Worksheet::SetColumnWidth(int column, double characters) {
    if (column < 0 || column >= kMaxColumns || !(characters >= 0.1 && characters <= 255)) return false;
    m_ColumnWidths[column] = characters;
    return true;
}

QString Worksheet::CellText(int row, int column) const {
    if (row < 0 || row >= kMaxRows || column < 0 || column >= kMaxColumns) return QString();
    auto it = m_Cells.find(Key(row, column));
    return it == m_Cells.end() ? QString() : it->second;
}

Workbook::Workbook() { m_Sheets.push_back(std::make_unique<Worksheet>(QStringLiteral("Sheet1"))); }

bool Workbook::IsValidSheetName(const QString& name) {
    if (name.isEmpty() || name.size() > 31) return false;
    for (QChar c : name)
        if (QStringLiteral(":\\/?*[]").contains(c) || c.unicode() < 0x20) return false;
    return true;
}

bool Workbook::RenameSheet(const QString& from, const QString& to) {
    Worksheet* sheet = GetSheet(from);
    if (!sheet || !IsValidSheetName(to)) return false;
    for (const auto& other : m_Sheets)
        if (other.get() != sheet && other->Name().compare(to, Qt::CaseInsensitive) == 0) return false;
    sheet->m_strName = to;
    return true;
}

Worksheet* Workbook::GetSheet(const QString& name) {
    for (const auto& sheet : m_Sheets)
        if (sheet->Name() == name) return sheet.get();
    return nullptr;
}

QByteArray Workbook::WorkbookStream() const {
    // Shared strings in order of first use.
    std::unordered_map<QString, quint32> index;
    std::vector<const QString*> strings;
    quint32 total = 0;
    for (const auto& sheet : m_Sheets)
        for (const auto& [key, text] : sheet->Cells()) {
            ++total;
            if (index.emplace(text, static_cast<quint32>(strings.size())).second) strings.push_back(&text);
        }

    RecordStream out;
    bof(out, 0x0005);
    {
        Bytes b;
        b.u16(1200);  // UTF-16 workbook
        out.record(kCodePage, b);
    }
    {
        Bytes b;
        for (quint16 v : {0, 0, 0x3000, 0x2000, 0x0038, 0, 0, 1, 600}) b.u16(v);
        out.record(kWindow1, b);
    }
    font(out, false, false);
    font(out, true, false);
    font(out, false, true);
    font(out, true, true);
    for (int i = 0; i < 15; ++i) xf(out, true);
    xf(out, false);
    out.record(kStyle, QByteArray("\x00\x80\x00\xFF", 4));
    std::vector<qsizetype> sheetOffsetAt;
    for (const auto& sheet : m_Sheets) {
        const QString& name = sheet->Name();
        const bool wide = isWide(name);
        Bytes b;
        sheetOffsetAt.push_back(out.size() + 4);
        b.u32(0);  // the sheet's BOF offset, filled in below
        b.u8(0);   // visible
        b.u8(0);   // worksheet
        b.u8(static_cast<quint8>(name.size()));
        b.u8(wide ? 1 : 0);
        appendChars(b, name, 0, name.size(), wide);
        out.record(kBoundSheet, b);
    }

    SstWriter sst(out);
    sst.begin(total, static_cast<quint32>(strings.size()));
    const quint32 perBucket = std::max<quint32>(static_cast<quint32>(strings.size()) / 128 + 1, 8);
    std::vector<std::pair<quint32, quint16>> buckets;
    for (std::size_t i = 0; i < strings.size(); ++i) {
        const auto at = sst.add(*strings[i]);
        if (i % perBucket == 0) buckets.push_back(at);
    }
    sst.end();
    {
        Bytes b;
        b.u16(static_cast<quint16>(perBucket));
        for (const auto& [offset, inRecord] : buckets) {
            b.u32(offset);
            b.u16(inRecord);
            b.u16(0);
        }
        out.record(kExtSst, b);
    }
    out.record(kEof, QByteArray());

    for (std::size_t s = 0; s < m_Sheets.size(); ++s) {
        const Worksheet& sheet = *m_Sheets[s];
        qToLittleEndian(static_cast<quint32>(out.size()), out.data().data() + sheetOffsetAt[s]);
        bof(out, 0x0010);
        for (const auto& [column, characters] : sheet.ColumnWidths()) {
            Bytes b;
            b.u16(static_cast<quint16>(column));
            b.u16(static_cast<quint16>(column));
            b.u16(static_cast<quint16>(characters * 256));  // in 1/256 of a character
            b.u16(kCellXf);
            b.u16(0);
            b.u16(0);
            out.record(kColInfo, b);
        }
        int firstRow = 0, lastRow = -1, firstColumn = kMaxColumns, lastColumn = -1;
        if (!sheet.Cells().empty()) {
            firstRow = static_cast<int>(sheet.Cells().begin()->first >> 8);
            lastRow = static_cast<int>(sheet.Cells().rbegin()->first >> 8);
            for (const auto& cell : sheet.Cells()) {
                firstColumn = std::min(firstColumn, static_cast<int>(cell.first & 0xFF));
                lastColumn = std::max(lastColumn, static_cast<int>(cell.first & 0xFF));
            }
        } else {
            firstColumn = 0;
        }
        {
            Bytes b;
            b.u32(static_cast<quint32>(firstRow));
            b.u32(static_cast<quint32>(lastRow + 1));
            b.u16(static_cast<quint16>(firstColumn));
            b.u16(static_cast<quint16>(lastColumn + 1));
            b.u16(0);
            out.record(kDimensions, b);
        }
        for (const auto& [key, text] : sheet.Cells()) {
            Bytes b;
            b.u16(static_cast<quint16>(key >> 8));
            b.u16(static_cast<quint16>(key & 0xFF));
            b.u16(kCellXf);
            b.u32(index.at(text));
            out.record(kLabelSst, b);
        }
        {
            Bytes b;
            // Grid lines, headers, zeros, automatic grid colour, outline
            // symbols; the first sheet is also selected and shown.
            b.u16(s == 0 ? 0x06B6 : 0x00B6);
            b.u16(0);
            b.u16(0);
            b.u16(0x40);
            for (int i = 0; i < 5; ++i) b.u16(0);
            out.record(kWindow2, b);
        }
        out.record(kEof, QByteArray());
    }
    return out.data();
}

QByteArray Workbook::Save() const { return CompoundFile(QStringLiteral("Workbook"), WorkbookStream()); }

}  // namespace XlsBook
