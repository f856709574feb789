// The card service dump: its exact text in CP932, the file it writes, and the
// fast block probe against the naive one on the sample cards and on services
// of every interesting length.
#include "ServiceDump.h"
#include "TestSupport.h"
#include "frames.h"

#include <QDir>
#include <QFile>

#include <iconv.h>

#include <gtest/gtest.h>

#include <memory>

namespace {

std::string fromCp932(const QByteArray& bytes) {
    iconv_t cd = iconv_open("UTF-8", "CP932");
    std::string out(static_cast<std::size_t>(bytes.size()) * 2 + 4, '\0');
    char* in = const_cast<char*>(bytes.constData());
    std::size_t inLeft = static_cast<std::size_t>(bytes.size());
    char* to = out.data();
    std::size_t toLeft = out.size();
    const std::size_t r = iconv(cd, &in, &inLeft, &to, &toLeft);
    iconv_close(cd);
    if (r == static_cast<std::size_t>(-1)) return "<not CP932>";
    out.resize(out.size() - toLeft);
    return out;
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

std::string numbered(int tag, int i) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "%02X%02X", tag & 0xFF, i & 0xFF);
    return hex + std::string(28, '0');
}

std::vector<std::string> blocks(int tag, int n) {
    std::vector<std::string> out;
    for (int i = 0; i < n; ++i) out.push_back(numbered(tag, i));
    return out;
}

// A Suica system and a common area with their own IDms, a purse, a keyed
// service, an unnamed attribute and a readable service without blocks.
felica::CardImage smallCard() {
    felica::CardImage card = test::makeCard("012E4B0C7F240A15", "0003");
    auto& suica = card.systems[0].services;
    suica.push_back(test::makeService(0x090F, {"000102030405060708090A0B0C0D0E0F", "F0E1D2C3B4A5968778695A4B3C2D1E0F"}));
    suica.push_back(test::makeKeyedService(0x1848, 0x0100));
    suica.push_back(test::makeService(0x1251, {"9CFFFFFF070000000000000000000B0A"}));
    felica::SystemImage common = card.systems[0];
    common.code = {0xFE, 0x00};
    common.idm[0] = 0x02;
    common.ownIdm = true;
    common.services = {test::makeService(0x1A8B, {}), test::makeKeyedService(0x15C2)};
    card.systems.push_back(common);
    return card;
}

const char* const kSmallCardDump =
    "製造ID(IDm) : 01 2e 4b 0c 7f 24 0a 15\n"
    "\t製造者コード(HEX) : 2e01\n"
    "\t製造機器コード(HEX) : 0c4b\n"
    "\t製造日付 : 2025年7月31日\n"
    "\t製造通番 : 5386\n"
    "発行ID(PMm) : 01 20 22 04 27 67 4e ff\n"
    "システムコードの数 : 2\n"
    "\tシステムコード(1) 00 03\n"
    "\tシステムコード(2) fe 00\n"
    "システム 0x0300 のエリア・サービスコードリスト\n"
    "エリア数 1\n"
    "\t001.エリアコード 0x0000\n"
    "サービス数 3\n"
    "\t001.サービスコード 0x090f Cyclic (Readonly) : without security\n"
    "\t\t2 block(s) use\n"
    "\t\t00 01 02 03 04 05 06 07 08 09 0a 0b 0c 0d 0e 0f \n"
    "\t\tf0 e1 d2 c3 b4 a5 96 87 78 69 5a 4b 3c 2d 1e 0f \n"
    "\t002.サービスコード 0x1251 Purse (Direct) : without security\n"
    "\t\t1 block(s) use\n"
    "\t\t9c ff ff ff 07 00 00 00 00 00 00 00 00 00 0b 0a \n"
    "\t\t実行 ID:0a0b  資金:-100  払戻: 7\n"
    "\t003.サービスコード 0x1848 Random (Read/Write)\n"
    "システム 0x00fe のエリア・サービスコードリスト\n"
    "エリア数 1\n"
    "\t001.エリアコード 0x0000\n"
    "サービス数 2\n"
    "\t001.サービスコード 0x15c2 \n"
    "\t002.サービスコード 0x1a8b Random (Readonly) : without security\n"
    "\t\t0 block(s) use\n";

struct ServiceDump : ::testing::Test {
    test::IsolatedHome home;
    test::LibrarySession session;

    std::pair<QByteArray, ServiceDumpResult> dump(const felica::CardImage& card, BlockProbe probe,
                                                  const QString& name = "card.json") {
        session.select(test::writeImage(home, card, name));
        QByteArray text;
        const ServiceDumpResult r = DumpCardServices(text, probe);
        return {text, r};
    }
};

TEST_F(ServiceDump, ExactTextInCp932ByBothProbes) {
    for (BlockProbe probe : {BlockProbe::Fast, BlockProbe::Naive}) {
        const auto [text, result] = dump(smallCard(), probe);
        EXPECT_EQ(result.outcome, ServiceDumpResult::Outcome::Complete);
        EXPECT_EQ(fromCp932(text), kSmallCardDump);
        EXPECT_EQ(result.probedServices, 3);
        EXPECT_TRUE(text.startsWith("\x90\xbb\x91\xa2ID(IDm)"));  // 製造 in CP932
        EXPECT_FALSE(text.contains('\r'));
    }
}

TEST_F(ServiceDump, FastProbeFindsWhatTheNaiveProbeFindsWithFewReads) {
    felica::CardImage card = test::makeCard("0123456789ABCDEF", "FE00");
    const int lengths[] = {0, 1, 2, 11, 12, 13, 23, 24, 25, 30, 35, 36, 39, 40, 41, 100};
    for (int i = 0; i < static_cast<int>(std::size(lengths)); ++i)
        card.systems[0].services.push_back(
            test::makeService(static_cast<std::uint16_t>(0x1009 + 0x40 * i), blocks(i + 1, lengths[i])));
    card.systems[0].services.push_back(test::makeKeyedService(0x2009));  // says no key, refuses reads
    for (int perRead : {12, 15, 5, 1}) {
        SCOPED_TRACE(perRead);
        card.maxBlocksPerRead = perRead;
        const auto [naive, slow] = dump(card, BlockProbe::Naive);
        const auto [fast, quick] = dump(card, BlockProbe::Fast);
        EXPECT_EQ(fromCp932(fast), fromCp932(naive));
        EXPECT_EQ(quick.probedServices, 17);
        if (perRead >= 12) {
            // At most log2(40) + 2 reads per service, one command each.
            EXPECT_LE(quick.probeCommands, 7u * 17u);
            EXPECT_GE(slow.probeCommands, 5 * quick.probeCommands);
        }
    }
    // Services of 40 blocks: a tenth of the naive probe's commands, or less.
    felica::CardImage full = test::makeCard("0123456789ABCDEF", "FE00");
    for (int i = 0; i < 3; ++i)
        full.systems[0].services.push_back(test::makeService(static_cast<std::uint16_t>(0x100B + 0x40 * i), blocks(i, 40)));
    const auto [naive40, slow40] = dump(full, BlockProbe::Naive, "full.json");
    const auto [fast40, quick40] = dump(full, BlockProbe::Fast, "full.json");
    EXPECT_EQ(fast40, naive40);
    EXPECT_GE(slow40.probeCommands, 10 * quick40.probeCommands);
    const std::string text = fromCp932(dump(card, BlockProbe::Fast).first);
    EXPECT_NE(text.find("0x1009 Random (Read/Write) : without security\n\t\t0 block(s) use\n\t002"), std::string::npos);
    EXPECT_NE(text.find("0x1389 Random (Read/Write) : without security\n\t\t40 block(s) use\n"), std::string::npos);
    EXPECT_NE(text.find("0x13c9 Random (Read/Write) : without security\n\t\t40 block(s) use\n"), std::string::npos);
    EXPECT_NE(text.find("\t\t10 27 00"), std::string::npos);  // block 39 of 100 is the last one shown
    EXPECT_EQ(text.find("\t\t10 28 00"), std::string::npos);
}

TEST_F(ServiceDump, EverySampleCardDumpsTheSameByBothProbes) {
    const QStringList files = QDir(test::sourcePath("data/cards")).entryList({"*.json"}, QDir::Files);
    ASSERT_GE(files.size(), 18);
    for (const QString& file : files) {
        SCOPED_TRACE(file.toStdString());
        session.select("image:" + test::sourcePath("data/cards/" + file));
        QByteArray fast, naive;
        const ServiceDumpResult quick = DumpCardServices(fast, BlockProbe::Fast);
        DumpCardServices(naive, BlockProbe::Naive);
        EXPECT_EQ(quick.outcome, ServiceDumpResult::Outcome::Complete);
        EXPECT_EQ(fromCp932(fast), fromCp932(naive));
        EXPECT_LE(quick.probeCommands, 7u * static_cast<std::size_t>(quick.probedServices));
    }
}

TEST_F(ServiceDump, FileIsOverwrittenInTheCurrentDirectory) {
    const QString old = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(home.path()));
    QFile stale(home.file("FelicaFormat.TXT"));
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.write(QByteArray(20000, 'x'));
    stale.close();
    session.select(test::writeImage(home, smallCard()));
    const ServiceDumpResult r = WriteServiceDump();
    QDir::setCurrent(old);
    EXPECT_EQ(r.outcome, ServiceDumpResult::Outcome::Complete);
    EXPECT_EQ(fromCp932(readFile(home.file("FelicaFormat.TXT"))), kSmallCardDump);
}

TEST_F(ServiceDump, NoReaderWritesNothingAndNoCardAnEmptyFile) {
    const QString path = home.file("dump.txt");
    session.select("image:" + home.file("missing.json"));
    EXPECT_EQ(WriteServiceDump(path).outcome, ServiceDumpResult::Outcome::NoReader);
    EXPECT_FALSE(QFile::exists(path));

    // A reader whose card never answers: the old file is emptied.
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old text");
    old.close();
    auto silent = std::make_shared<test::ScriptedTransport>(smallCard());
    silent->filter = [](std::size_t, felica::TransceiveStatus, felica::Bytes&) {
        return felica::TransceiveStatus::NoAnswer;
    };
    test::TransportOverride override(silent);
    EXPECT_EQ(WriteServiceDump(path).outcome, ServiceDumpResult::Outcome::NoCard);
    EXPECT_EQ(readFile(path), QByteArray());

    // A directory cannot be the file: nothing is read beyond the open.
    EXPECT_EQ(WriteServiceDump(home.path()).outcome, ServiceDumpResult::Outcome::NoFile);
}

TEST_F(ServiceDump, ServiceSearchThatFailsEndsTheTextAtItsSystem) {
    auto card = std::make_shared<test::ScriptedTransport>(smallCard());
    int searches = 0;
    card->filter = [&](std::size_t, felica::TransceiveStatus status, felica::Bytes& answer) {
        // The common area's search stops answering after its first node.
        if (answer.size() > 1 && answer[1] == felica::cmd::SearchServiceCode + 1 && answer[2] == 0x02 && ++searches > 1)
            return felica::TransceiveStatus::NoAnswer;
        return status;
    };
    test::TransportOverride override(card);
    QByteArray text;
    EXPECT_EQ(DumpCardServices(text, BlockProbe::Fast).outcome, ServiceDumpResult::Outcome::Stopped);
    const std::string full = kSmallCardDump;
    const std::string expected = full.substr(0, full.find("エリア数 1\n\t001.エリアコード 0x0000\nサービス数 2"));
    EXPECT_EQ(fromCp932(text), expected);
}

}  // namespace
