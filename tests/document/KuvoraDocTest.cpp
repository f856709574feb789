#include "CHistoryTable.h"
#include "CKuvoraDoc.h"
#include "CSettingsStore.h"
#include "DocumentReads.h"
#include "SpokenText.h"
#include "StoredHistory.h"
#include "StringTable.h"
#include "TestSupport.h"

#include <QHash>

#include <functional>
#include <mutex>
#include <numeric>

#include <gtest/gtest.h>

using namespace history;

namespace {

class RecordingObserver : public IDocumentObserver {
public:
    void OnReadFinished() override { ++reads; }
    void OnModePaneText(const QString& text) override { panes << text; }
    int reads = 0;
    QStringList panes;
};

QString sample(const char* name) { return "image:" + test::sourcePath(QString("data/cards/") + name); }

struct Doc : ::testing::Test {
    test::IsolatedHome home;
    RecordingMessageSink messages;
    ScopedMessageSink sink{&messages};
    test::LibrarySession session;
    RecordingObserver observer;

    Doc() { test::importSampleNames(); }
    // A document as the programs make it, reading from `reader`.
    std::unique_ptr<CKuvoraDoc> read(const QString& reader, int mode) {
        return test::ReadDocument(session, reader, mode, &observer);
    }
};

}  // namespace

TEST_F(Doc, FixedModeReadsTheSampleSuicaCardIntoTheDisplayModel) {
    auto doc = read(sample("suica-sample.json"), 1);
    EXPECT_TRUE(messages.messages.isEmpty()) << messages.messages.join('|').toStdString();
    EXPECT_EQ(observer.reads, 1);
    EXPECT_EQ(doc->m_strCardTypeName, "Suica/ICOCA/TOICA/PiTaPa/PASMO");
    EXPECT_EQ(doc->m_nCardType, 1);
    EXPECT_EQ(doc->m_strIDm, "01010410C8192A3B");
    EXPECT_EQ(doc->m_strMakeDate, " (FeliCa製造 2018年01月26日)");
    EXPECT_EQ(doc->m_strCardNumber, "");
    EXPECT_EQ(doc->m_nCardRows, 20);
    EXPECT_EQ(doc->m_nRows, 20);
    const QStringList row0 = {"16010000357C011001308E0D0002B400", "改札機", "16", "支払", "01", "", "26年11月28日",
                              "357C", "", "0000", "01", "10", "見本鉄道", "見本中央", "01", "30", "見本鉄道",
                              "見本公園", " 3470", "    0", "  210", "0002B4", "     692", "", ""};
    for (int c = 0; c < ColumnCount; ++c)
        if (c != TradeFlags) {
            EXPECT_EQ(doc->m_History.Text(c, 0), row0[c]) << ColumnName(c);
        }
    EXPECT_EQ(doc->m_History.Flags(0), 3);
    // The shop row: a time, and the shop's names on the arrival side.
    EXPECT_EQ(doc->m_History.Text(Time, 2), "17時18分");
    EXPECT_EQ(doc->m_History.Text(ArrivalStation, 2), "見本ストア 中央店");
    EXPECT_EQ(doc->m_History.Flags(2), 0x82);
    EXPECT_EQ(doc->m_History.Text(Note1, 1), "ｵｰﾄﾁｬｰｼﾞ");
    EXPECT_EQ(doc->m_History.Text(Charge, 19), "    0");
    // Gate log: the near station only where bytes 14 and 15 are both set.
    EXPECT_EQ(doc->m_GateLog[0][0], "200001300000357C0842D20000000000");
    EXPECT_EQ(doc->m_GateLog[0][1], "26年11月28日08時42分");
    EXPECT_EQ(doc->m_GateLog[0][2], "出場");
    EXPECT_EQ(doc->m_GateLog[0][3], "見本公園");
    EXPECT_EQ(doc->m_GateLog[0][4], "  210");
    EXPECT_EQ(doc->m_GateLog[0][5], "");
    EXPECT_EQ(doc->m_GateLog[0][6], "");
    EXPECT_EQ(doc->m_GateLog[2][3], "見本急行中町");
    EXPECT_EQ(doc->m_GateLog[2][5], "見本公園");
    EXPECT_EQ(doc->m_GateLog[2][6], "  140");
    EXPECT_FALSE(doc->m_strLibraryVersion.isEmpty());
}

TEST_F(Doc, AutoModeDetectsAndASecondReadStoresNothing) {
    auto doc = read(sample("suica-sample.json"), 0);
    EXPECT_EQ(doc->m_nCardType, 1);
    const QString firstRow = doc->m_History.Text(BlockData, 0);
    auto again = read(sample("suica-sample.json"), 0);
    EXPECT_EQ(again->m_nRows, 20);
    EXPECT_EQ(again->m_History.Text(BlockData, 0), firstRow);
    EXPECT_TRUE(messages.messages.isEmpty());
    CHistoryDisplay all;
    EXPECT_EQ(CHistoryTable().Reload("01010410C8192A3B", 1, all), 20);
    auto iruca = read(sample("iruca-sample.json"), 0);
    EXPECT_EQ(iruca->m_nCardType, 2);
    EXPECT_EQ(iruca->m_strCardTypeName, "IruCa");
    // Its four records; the sixteen unused slots are no rows.
    EXPECT_EQ(iruca->m_nCardRows, 4);
    EXPECT_EQ(iruca->m_nRows, 4);
    for (int c = 0; c < CKuvoraDoc::kGateLogColumns; ++c) EXPECT_EQ(iruca->m_GateLog[0][c], "");
    // Issuer kind 5: line 0x85 is named in area 2.
    EXPECT_EQ(iruca->m_History.Text(DepartureStation, 1), "見本地下鉄本町");
}

// Auto mode that finds no card shows its message and leaves the window as
// it was: the empty window with its hint, or the card read before, neither
// replaced by a card that does not exist nor refreshed.
TEST_F(Doc, NoCardInAutoModeIsOneMessageAndLeavesTheWindowAsItWas) {
    const QString other = test::writeImage(home, test::makeCard("0102030405060708", "8888"));
    CKuvoraDoc empty;
    empty.OnNewDocument();
    auto card = read(sample("suica-sample.json"), 0);
    observer.reads = 0;
    auto shown = [](const CKuvoraDoc& d) {
        return QStringList{d.m_strIDm, d.m_strCardTypeName, QString::number(d.m_nCardType), QString::number(d.m_nRows),
                           d.m_History.Text(BlockData, 0)};
    };
    for (CKuvoraDoc* doc : {&empty, card.get()}) {
        const QStringList before = shown(*doc);
        messages.messages.clear();
        session.select(other);
        doc->OnCardRead();
        EXPECT_EQ(messages.messages, QStringList({LoadString(1101)}));
        EXPECT_EQ(shown(*doc), before);
    }
    EXPECT_EQ(observer.reads, 0);
}

TEST_F(Doc, WithoutAReaderAutoModeStopsAtTheFirstFailure) {
    auto doc = read("image:/nonexistent/card.json", 0);
    EXPECT_EQ(messages.messages, QStringList({LoadString(1028), LoadString(1101)}));
    EXPECT_EQ(doc->m_nCardType, 0);
}

TEST_F(Doc, UnknownStoredModeChangesNothing) {
    for (int mode : {12, 133, -1}) {
        settings::SetMode(mode);
        session.select(sample("suica-sample.json"));
        CKuvoraDoc doc;
        doc.SetObserver(&observer);
        doc.OnNewDocument();
        EXPECT_EQ(doc.m_nMode, mode);
        messages.messages.clear();
        doc.OnCardRead();
        EXPECT_EQ(messages.messages, QStringList({LoadString(1101)}));
        EXPECT_EQ(doc.m_strIDm, "");
        EXPECT_EQ(doc.m_nRows, 20);
        EXPECT_EQ(doc.m_History.Text(BlockData, 0), "");
    }
    EXPECT_EQ(observer.reads, 0);
}

TEST_F(Doc, AFailedReadStoresNoZeroBlocks) {
    felica::CardImage image;
    std::string error;
    image = *felica::CardImage::load(test::sourcePath("data/cards/suica-sample.json").toStdString(), error);
    auto transport = std::make_shared<test::ScriptedTransport>(image);
    test::TransportOverride override(transport);
    // The card answers the poll and its services, then goes silent.
    transport->filter = [](std::size_t i, felica::TransceiveStatus s, felica::Bytes& a) {
        if (i >= 2) {
            a.clear();
            return felica::TransceiveStatus::NoAnswer;
        }
        return s;
    };
    auto doc = read("image:test", 1);
    EXPECT_EQ(messages.messages, QStringList({LoadString(1040)}));
    EXPECT_EQ(doc->m_strIDm, "");
    EXPECT_EQ(observer.reads, 0);
    CHistoryDisplay all;
    messages.messages.clear();
    EXPECT_EQ(CHistoryTable().Reload("01010410C8192A3B", 1, all), 0);
}

TEST_F(Doc, ManufacturingDateFromIdmBytesFourAndFive) {
    for (const auto& [idm, date] : std::vector<std::pair<std::string, QString>>{
             {"0102030400000708", " (FeliCa製造 2000年01月01日)"}, {"010203046E010708", " (FeliCa製造 2001年01月01日)"}}) {
        felica::CardImage card = test::makeCard(idm, "0003");
        card.systems[0].services.push_back(test::makeService(0x090F, std::vector<std::string>(20, std::string(32, '0'))));
        card.systems[0].services.push_back(test::makeService(0x108F, std::vector<std::string>(3, std::string(32, '0'))));
        auto doc = read(test::writeImage(home, card), 1);
        EXPECT_EQ(doc->m_strMakeDate, date);
    }
}

TEST_F(Doc, ModeCommandsSelectShowAndStoreTheMode) {
    CKuvoraDoc doc;
    doc.SetObserver(&observer);
    doc.OnModeSelect(32802);
    EXPECT_EQ(doc.m_nMode, 2);
    EXPECT_EQ(settings::Mode(), 2);
    EXPECT_TRUE(doc.OnUpdateModeSelect(32802));
    EXPECT_FALSE(doc.OnUpdateModeSelect(32801));
    doc.OnModeSelect(32812);  // in the range, but no mode: the mode stays
    EXPECT_EQ(doc.m_nMode, 2);
    doc.OnModeSelect(32800);
    EXPECT_EQ(doc.m_nMode, 0);
    EXPECT_EQ(settings::Mode(), 0);
    EXPECT_EQ(observer.panes, QStringList({"IruCa", "IruCa", "Auto"}));
    observer.panes.clear();
    doc.ShowModeInStatusBar(12);
    EXPECT_TRUE(observer.panes.isEmpty());
    CKuvoraDoc reopened;
    EXPECT_EQ(reopened.m_nMode, 0);
}

namespace {

// The sample Suica card with its history blocks changed by `change`.
QString suicaWith(const test::IsolatedHome& home, const QString& name,
                  const std::function<void(std::vector<felica::Block>&)>& change) {
    std::string error;
    auto image = felica::CardImage::load(test::sourcePath("data/cards/suica-sample.json").toStdString(), error);
    EXPECT_TRUE(image) << error;
    for (auto& system : image->systems)
        for (auto& service : system.services)
            if (service.code == 0x090F) change(service.blocks);
    return test::writeImage(home, *image, name);
}

class TextsSpoken : public ISpeechEngine {
public:
    struct Said {
        std::mutex lock;
        QStringList texts;
    };
    explicit TextsSpoken(std::shared_ptr<Said> said) : said_(std::move(said)) {}
    void Speak(const QString& text, Clock::time_point) override {
        std::lock_guard hold(said_->lock);
        said_->texts << text;
    }

private:
    std::shared_ptr<Said> said_;
};

}  // namespace

// History.db keeps no trade flags: a stored row, on the card or rolled off
// it, and a stored card loaded without a read carry the flags the card's
// class gives its block, as the read of that block did.
TEST_F(Doc, StoredRowsCarryTheTradeFlagsOfTheirBlocks) {
    auto first = read(sample("suica-sample.json"), 1);
    QHash<QString, int> flagsOfBlock;
    for (int row = 0; row < first->m_nCardRows; ++row)
        flagsOfBlock.insert(first->m_History.Text(BlockData, row), first->m_History.Flags(row));
    ASSERT_TRUE(flagsOfBlock.values().contains(3));
    // Five newer records push five of the first read's off the card: copies
    // of records with another serial number.
    const QString later = suicaWith(home, "later.json", [](std::vector<felica::Block>& blocks) {
        std::vector<felica::Block> newer(blocks.begin(), blocks.begin() + 5);
        for (felica::Block& b : newer) b[13] ^= 0x55;
        blocks.insert(blocks.begin(), newer.begin(), newer.end());
        blocks.resize(20);
    });
    auto second = read(later, 1);
    ASSERT_EQ(second->m_nRows, 25);
    CKuvoraDoc stored;
    stored.OnNewDocument();
    CHistoryTable table;
    ASSERT_EQ(LoadStoredHistory(table, stored, second->m_strIDm, 1), 25);
    for (int row = 0; row < 25; ++row) {
        SCOPED_TRACE(row);
        const QString block = second->m_History.Text(BlockData, row);
        const int expected = row < 5 ? flagsOfBlock.value(first->m_History.Text(BlockData, row)) : flagsOfBlock.value(block);
        EXPECT_EQ(second->m_History.Flags(row), expected);
        EXPECT_EQ(stored.m_History.Text(BlockData, row), block);
        EXPECT_EQ(stored.m_History.Flags(row), expected);
    }
}

// A card that has written fewer records than its service holds blocks: its
// unused slots (all zeros, a PASMO's 00 00 00 80 00...) are no rows, neither
// shown, stored, counted nor spoken. Each card type's rule for such a slot is
// CardTypeTable's; the read leaves out what the card's class calls unused.
TEST_F(Doc, ReadAloudSpeaksOnlyTheCardsRecords) {
    const QString thirteen = suicaWith(home, "thirteen.json", [](std::vector<felica::Block>& blocks) {
        for (std::size_t i = 13; i < blocks.size(); ++i) blocks[i] = felica::Block{};
        blocks[14] = test::blockFromHex("00000080000000000000000000000000");
    });
    session.select(thirteen);
    auto said = std::make_shared<TextsSpoken::Said>();
    CKuvoraDoc doc([said] { return std::make_unique<TextsSpoken>(said); });
    doc.OnNewDocument();
    doc.m_nMode = 1;
    doc.OnCardRead();
    ASSERT_EQ(doc.m_nCardRows, 13);
    EXPECT_EQ(doc.m_nRows, 13);  // as History.db gives them back
    std::vector<int> records(13);
    std::iota(records.begin(), records.end(), 0);
    EXPECT_EQ(CardRecordRows(doc), records);
    doc.ReadHistoryAloud();
    ASSERT_TRUE(doc.m_Speaker.WaitUntilIdle(std::chrono::seconds(10)));
    std::lock_guard hold(said->lock);
    ASSERT_EQ(said->texts.size(), 13);
    for (int row = 0; row < 13; ++row) EXPECT_EQ(said->texts[row], SpokenHistoryText(doc.m_History, row));
    for (const QString& text : said->texts) EXPECT_FALSE(text.startsWith("00年00月00日")) << text.toStdString();
}
