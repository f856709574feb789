// The Read command with the cards beside the Suica family's own types: the
// brand of a Suica-family card kept and shown for a stored card, nanaco and
// WAON read, stored and summed, and every sample card read in Auto mode with
// one reader set-up and at most eight FeliCa commands.
#include "CHistoryTable.h"
#include "CKuvoraDoc.h"
#include "DocumentReads.h"
#include "Spending.h"
#include "StoredHistory.h"
#include "TestSupport.h"
#include "library_control.h"

#include <QDir>

#include <gtest/gtest.h>

namespace {

QString sample(const QString& name) { return "image:" + test::sourcePath("data/cards/" + name); }

struct Reads : ::testing::Test {
    test::IsolatedHome home;
    RecordingMessageSink messages;
    ScopedMessageSink sink{&messages};
    test::LibrarySession session;
};

QString months(const std::vector<MonthTotals>& totals) {
    QStringList out;
    for (const MonthTotals& m : totals)
        out << QStringLiteral("%1 %2/%3/%4").arg(m.month).arg(m.fares).arg(m.purchases).arg(m.charges);
    return out.join(QLatin1String(", "));
}

}  // namespace

TEST_F(Reads, TheBrandIsReadStoredAndGivenBackForAStoredCard) {
    const struct {
        const char* file;
        const char* brand;
    } cases[] = {{"pasmo-sample.json", "PASMO"},
                 {"suica-kind2-sample.json", "ICOCA"},  // its probe service 0x1A48 is ICOCA's own
                 {"suica-sample.json", ""},             // 0x1848 only: every brand has it
                 {"edy-sample.json", ""}};
    for (const auto& c : cases) {
        auto doc = test::ReadDocument(session, sample(c.file), 0);
        EXPECT_EQ(doc->m_strBrand, QString::fromUtf8(c.brand)) << c.file;
        CHistoryTable table;
        EXPECT_EQ(table.Brand(doc->m_strIDm, doc->m_nCardType), QString::fromUtf8(c.brand)) << c.file;
        CKuvoraDoc stored;
        stored.OnNewDocument();
        ASSERT_GT(LoadStoredHistory(table, stored, doc->m_strIDm, doc->m_nCardType), 0) << c.file;
        EXPECT_EQ(stored.m_strBrand, QString::fromUtf8(c.brand)) << c.file;
        std::vector<StoredCard> cards;
        QString error;
        ASSERT_TRUE(ListStoredCards(table, cards, error, doc->m_strIDm)) << error.toStdString();
        ASSERT_EQ(cards.size(), 1u);
        EXPECT_EQ(cards[0].brand, QString::fromUtf8(c.brand)) << c.file;
    }
    EXPECT_TRUE(messages.messages.isEmpty()) << messages.messages.join('|').toStdString();
}

TEST_F(Reads, AnotherCardTypeAfterASuicaFamilyCardHasNoBrand) {
    auto doc = test::ReadDocument(session, sample("pasmo-sample.json"), 0);
    ASSERT_EQ(doc->m_strBrand, "PASMO");
    session.select(sample("waon-sample.json"));
    doc->OnCardRead();
    EXPECT_EQ(doc->m_nCardType, 132);
    EXPECT_EQ(doc->m_strBrand, "");
}

TEST_F(Reads, NanacoAndWaonAreStoredOnceAndSummedByMonth) {
    const struct {
        const char* file;
        int type;
        const char* name;
        int rows;
        const char* number;
        const char* totals;
    } cases[] = {
        {"nanaco-sample.json", 131, "nanaco", 4, "7100123456789012", "2026-10 0/0/2680, 2026-11 0/1828/500"},
        {"waon-sample.json", 132, "WAON", 3, "6900123456789012", "2026-11 0/1280/3000, 2026-12 0/0/2000"},
    };
    for (const auto& c : cases) {
        auto doc = test::ReadDocument(session, sample(c.file), 0);
        EXPECT_EQ(doc->m_nCardType, c.type) << c.file;
        EXPECT_EQ(doc->m_strCardTypeName, c.name) << c.file;
        EXPECT_EQ(doc->m_strCardNumber, c.number) << c.file;
        EXPECT_EQ(doc->m_nCardRows, c.rows) << c.file;
        EXPECT_EQ(doc->m_nRows, c.rows) << c.file;
        EXPECT_EQ(months(MonthlyTotals(ClassifyRows(c.type, doc->m_History, doc->m_nRows))), c.totals) << c.file;
        // Read again: nothing new is stored.
        doc->OnCardRead();
        EXPECT_EQ(doc->m_nRows, c.rows) << c.file;
        // In a fixed mode too.
        auto fixed = test::ReadDocument(session, sample(c.file), c.type);
        EXPECT_EQ(fixed->m_nCardType, c.type);
        EXPECT_EQ(fixed->m_nRows, c.rows);
    }
    EXPECT_TRUE(messages.messages.isEmpty()) << messages.messages.join('|').toStdString();
}

TEST_F(Reads, EverySampleCardInAutoModeTakesOneSetUpAndAtMostEightCommands) {
    const QDir cards(test::sourcePath("data/cards"));
    const QStringList names = cards.entryList({"*-sample.json"}, QDir::Files, QDir::Name);
    ASSERT_GE(names.size(), 21);
    for (const QString& name : names) {
        felica::resetCounters();
        auto doc = test::ReadDocument(session, sample(name), 0);
        const felica::LibraryCounters n = felica::counters();
        EXPECT_EQ(n.transportsOpened, 1u) << name.toStdString();
        EXPECT_LE(n.commandsSent, 8u) << name.toStdString();
    }
}
