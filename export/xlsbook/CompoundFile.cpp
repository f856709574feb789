// The compound file around the workbook stream: a header sector, the FAT
// (with DIFAT sectors once it needs more than the header's 109 slots), one
// directory sector with the root storage and the stream, and the stream's
// sectors; a stream under 4096 bytes lives in the mini stream instead.
#include "XlsBook.h"

#include <QtEndian>

#include <algorithm>

namespace XlsBook {

namespace {

constexpr int kSector = 512;
constexpr int kMiniSector = 64;
constexpr int kMiniCutoff = 4096;
constexpr int kEntriesPerFatSector = kSector / 4;
constexpr int kHeaderDifatSlots = 109;
constexpr int kDifatSlotsPerSector = kEntriesPerFatSector - 1;
constexpr quint32 kFreeSect = 0xFFFFFFFF;
constexpr quint32 kEndOfChain = 0xFFFFFFFE;
constexpr quint32 kFatSect = 0xFFFFFFFD;
constexpr quint32 kDifSect = 0xFFFFFFFC;
constexpr quint32 kNoStream = 0xFFFFFFFF;

qint64 sectorsFor(qint64 bytes, qint64 unit) { return (bytes + unit - 1) / unit; }

void put16(QByteArray& b, qint64 at, quint16 v) { qToLittleEndian(v, b.data() + at); }
void put32(QByteArray& b, qint64 at, quint32 v) { qToLittleEndian(v, b.data() + at); }
void put64(QByteArray& b, qint64 at, quint64 v) { qToLittleEndian(v, b.data() + at); }

// A 128-byte directory entry.
void putEntry(QByteArray& b, qint64 at, const QString& name, quint8 type, quint32 child, quint32 start, quint64 size) {
    const QString cut = name.left(31);
    for (int i = 0; i < cut.size(); ++i) put16(b, at + 2 * i, cut[i].unicode());
    put16(b, at + 64, static_cast<quint16>((cut.size() + 1) * 2));
    b[at + 66] = static_cast<char>(type);
    b[at + 67] = 1;  // black
    put32(b, at + 68, kNoStream);
    put32(b, at + 72, kNoStream);
    put32(b, at + 76, child);
    put32(b, at + 116, start);
    put64(b, at + 120, size);
}

void putUnusedEntry(QByteArray& b, qint64 at) {
    put32(b, at + 68, kNoStream);
    put32(b, at + 72, kNoStream);
    put32(b, at + 76, kNoStream);
}

}  // namespace

QByteArray CompoundFile(const QString& streamName, const QByteArray& stream) {
    const qint64 size = stream.size();
    const bool mini = size < kMiniCutoff;
    const qint64 miniSectors = mini ? sectorsFor(size, kMiniSector) : 0;
    const qint64 dataBytes = mini ? miniSectors * kMiniSector : size;
    const qint64 dataSectors = sectorsFor(dataBytes, kSector);
    const qint64 miniFatSectors = sectorsFor(miniSectors * 4, kSector);
    const qint64 dirSectors = 1;  // the root and one stream

    // The FAT covers every sector, its own and the DIFAT's included.
    qint64 fatSectors = 1, difatSectors = 0;
    for (;;) {
        const qint64 total = fatSectors + difatSectors + dirSectors + miniFatSectors + dataSectors;
        const qint64 needFat = std::max<qint64>(1, sectorsFor(total, kEntriesPerFatSector));
        const qint64 needDifat =
            needFat > kHeaderDifatSlots ? sectorsFor(needFat - kHeaderDifatSlots, kDifatSlotsPerSector) : 0;
        if (needFat <= fatSectors && needDifat <= difatSectors) break;
        fatSectors = std::max(fatSectors, needFat);
        difatSectors = std::max(difatSectors, needDifat);
    }
    const qint64 firstDifat = fatSectors;
    const qint64 dirStart = firstDifat + difatSectors;
    const qint64 miniFatStart = dirStart + dirSectors;
    const qint64 dataStart = miniFatStart + miniFatSectors;
    const qint64 sectorCount = dataStart + dataSectors;

    QByteArray file((sectorCount + 1) * kSector, '\0');
    auto sectorAt = [](qint64 n) { return (n + 1) * kSector; };

    // Header.
    static const unsigned char kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    std::copy(kSignature, kSignature + 8, file.data());
    put16(file, 0x18, 0x003E);
    put16(file, 0x1A, 0x0003);
    put16(file, 0x1C, 0xFFFE);
    put16(file, 0x1E, 9);
    put16(file, 0x20, 6);
    put32(file, 0x2C, static_cast<quint32>(fatSectors));
    put32(file, 0x30, static_cast<quint32>(dirStart));
    put32(file, 0x38, kMiniCutoff);
    put32(file, 0x3C, miniFatSectors ? static_cast<quint32>(miniFatStart) : kEndOfChain);
    put32(file, 0x40, static_cast<quint32>(miniFatSectors));
    put32(file, 0x44, difatSectors ? static_cast<quint32>(firstDifat) : kEndOfChain);
    put32(file, 0x48, static_cast<quint32>(difatSectors));
    for (int i = 0; i < kHeaderDifatSlots; ++i)
        put32(file, 0x4C + 4 * i, i < fatSectors ? static_cast<quint32>(i) : kFreeSect);

    // DIFAT sectors: the FAT sectors beyond the header's slots.
    for (qint64 d = 0; d < difatSectors; ++d) {
        const qint64 at = sectorAt(firstDifat + d);
        for (int i = 0; i < kDifatSlotsPerSector; ++i) {
            const qint64 fat = kHeaderDifatSlots + d * kDifatSlotsPerSector + i;
            put32(file, at + 4 * i, fat < fatSectors ? static_cast<quint32>(fat) : kFreeSect);
        }
        put32(file, at + 4 * kDifatSlotsPerSector,
              d + 1 < difatSectors ? static_cast<quint32>(firstDifat + d + 1) : kEndOfChain);
    }

    // FAT.
    std::vector<quint32> fat(static_cast<std::size_t>(fatSectors * kEntriesPerFatSector), kFreeSect);
    auto chain = [&fat](qint64 first, qint64 count) {
        for (qint64 i = 0; i < count; ++i)
            fat[static_cast<std::size_t>(first + i)] = i + 1 < count ? static_cast<quint32>(first + i + 1) : kEndOfChain;
    };
    for (qint64 i = 0; i < fatSectors; ++i) fat[static_cast<std::size_t>(i)] = kFatSect;
    for (qint64 i = 0; i < difatSectors; ++i) fat[static_cast<std::size_t>(firstDifat + i)] = kDifSect;
    chain(dirStart, dirSectors);
    chain(miniFatStart, miniFatSectors);
    chain(dataStart, dataSectors);
    for (std::size_t i = 0; i < fat.size(); ++i) {
        const qint64 sector = static_cast<qint64>(i) / kEntriesPerFatSector;
        put32(file, sectorAt(sector) + 4 * (static_cast<qint64>(i) % kEntriesPerFatSector), fat[i]);
    }

    // Directory: the root (holding the mini stream when there is one) and the stream.
    const qint64 dir = sectorAt(dirStart);
    const quint32 dataFirst = dataSectors ? static_cast<quint32>(dataStart) : kEndOfChain;
    putEntry(file, dir, QStringLiteral("Root Entry"), 5, 1, mini ? dataFirst : kEndOfChain,
             static_cast<quint64>(mini ? dataBytes : 0));
    putEntry(file, dir + 128, streamName, 2, kNoStream, mini ? (miniSectors ? 0 : kEndOfChain) : dataFirst,
             static_cast<quint64>(size));
    putUnusedEntry(file, dir + 256);
    putUnusedEntry(file, dir + 384);

    // Mini FAT: one chain through the stream's mini sectors.
    if (miniFatSectors) {
        QByteArray miniFat(miniFatSectors * kSector, '\xFF');
        for (qint64 i = 0; i < miniSectors; ++i)
            put32(miniFat, 4 * i, i + 1 < miniSectors ? static_cast<quint32>(i + 1) : kEndOfChain);
        file.replace(sectorAt(miniFatStart), miniFat.size(), miniFat);
    }

    if (size > 0) file.replace(sectorAt(dataStart), size, stream);
    return file;
}

}  // namespace XlsBook
