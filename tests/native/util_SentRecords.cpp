#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "native/RefusingAllocator.h"
#include "util/SentRecords.h"

namespace {

const unsigned char *bytes(const char *s) { return reinterpret_cast<const unsigned char *>(s); }

std::string textOf(const SentRecords::Record &r)
{
    return std::string(reinterpret_cast<const char *>(r.data), r.length);
}

// The re-render order as a string: received ranges as "r[from,to)", records
// as their text.
std::string order(const SentRecords &sent, uint32_t historyBytes, uint32_t from = 0)
{
    Interleave walk(sent, historyBytes, from);
    Interleave::Piece p;
    std::string out;
    while (walk.next(p)) {
        if (!out.empty())
            out += ' ';
        if (p.sent)
            out += textOf(sent.get(p.record));
        else
            out += "r[" + std::to_string(p.from) + "," + std::to_string(p.to) + ")";
    }
    return out;
}

} // namespace

TEST(SentRecords, KeepsEachSendWithItsPlaceTimeAndBytes)
{
    SentRecords s;
    ASSERT_TRUE(s.addBytes(0, 100, bytes("AT\r"), 3));
    ASSERT_TRUE(s.addBytes(6, 250, bytes("ATI\r"), 4));
    ASSERT_TRUE(s.addFile(6, 300, "firmware.bin", 123456789012ull));
    ASSERT_EQ(s.count(), 3u);
    EXPECT_EQ(s.get(0).at, 0u);
    EXPECT_EQ(s.get(0).time, 100);
    EXPECT_EQ(textOf(s.get(1)), "ATI\r");
    EXPECT_EQ(s.get(1).kind, SentRecords::bytesSent);
    EXPECT_EQ(s.get(2).kind, SentRecords::fileSent);
    EXPECT_EQ(textOf(s.get(2)), "firmware.bin");
    EXPECT_EQ(s.get(2).fileSize, 123456789012ull);
}

TEST(SentRecords, NulBytesAreKeptAndEmptySendsAreNot)
{
    SentRecords s;
    ASSERT_TRUE(s.addBytes(0, 1, bytes("a\0b"), 3));
    EXPECT_EQ(textOf(s.get(0)), std::string("a\0b", 3));
    EXPECT_FALSE(s.addBytes(0, 1, bytes(""), 0));
    EXPECT_EQ(s.count(), 1u);
    EXPECT_FALSE(s.isFull());
}

TEST(SentRecords, AFileNameIsBoundedAndARecordNeverGoesBack)
{
    SentRecords s;
    std::string longName(1000, 'n');
    ASSERT_TRUE(s.addFile(10, 1, longName.c_str(), 5));
    EXPECT_EQ(s.get(0).length, uint32_t(SentRecords::maxName));
    ASSERT_TRUE(s.addBytes(4, 2, bytes("x"), 1));
    EXPECT_EQ(s.get(1).at, 10u);
}

TEST(SentRecords, InterleavesBetweenReceivedBytesInOrder)
{
    SentRecords s;
    s.addBytes(0, 1, bytes("A"), 1);    // before anything came
    s.addBytes(5, 2, bytes("B"), 1);
    s.addBytes(5, 3, bytes("C"), 1);    // two sends with nothing between
    s.addBytes(12, 4, bytes("D"), 1);   // after the last byte received
    struct Case
    {
        uint32_t history, from;
        const char *expected;
    } cases[] = {
        {12, 0, "A r[0,5) B C r[5,12) D"},
        {20, 0, "A r[0,5) B C r[5,12) D r[12,20)"},
        {12, 3, "r[3,5) B C r[5,12) D"},
        {12, 5, "B C r[5,12) D"},
        {12, 6, "r[6,12) D"},
        {0, 0, "A B C D"},   // the history cleared under the records: never a range
    };
    for (const Case &c : cases)
        EXPECT_EQ(order(s, c.history, c.from), c.expected) << c.history << " from " << c.from;
    EXPECT_EQ(order(SentRecords(), 7), "r[0,7)");
    EXPECT_EQ(order(SentRecords(), 0), "");
}

TEST(SentRecords, FirstAtOrAfterFindsThePlace)
{
    SentRecords s;
    for (uint32_t i = 0; i < 1000; ++i)
        ASSERT_TRUE(s.addBytes(i * 3, i, bytes("x"), 1));
    EXPECT_EQ(s.firstAtOrAfter(0), 0u);
    EXPECT_EQ(s.firstAtOrAfter(3), 1u);
    EXPECT_EQ(s.firstAtOrAfter(4), 2u);
    EXPECT_EQ(s.firstAtOrAfter(2997), 999u);
    EXPECT_EQ(s.firstAtOrAfter(2998), 1000u);
}

TEST(SentRecords, AFullStoreRefusesWholeKeepsWhatItHeldAndTellsOnce)
{
    SentRecords s;
    s.setLimit(200);
    uint32_t kept = 0;
    while (s.addBytes(kept, kept, bytes("0123456789"), 10))
        ++kept;
    ASSERT_GT(kept, 0u);
    EXPECT_TRUE(s.isFull());
    EXPECT_LE(s.footprint(), 200u);
    EXPECT_EQ(s.count(), kept);
    EXPECT_TRUE(s.takeFullNotice());
    EXPECT_FALSE(s.takeFullNotice());
    for (uint32_t i = 0; i < kept; ++i)
        EXPECT_EQ(textOf(s.get(i)), "0123456789");
    s.clear();
    EXPECT_EQ(s.count(), 0u);
    EXPECT_FALSE(s.isFull());
    EXPECT_TRUE(s.addBytes(0, 0, bytes("again"), 5));
}

TEST(SentRecords, AnAllocatorThatRefusesLeavesTheRecordsAsTheyWere)
{
    SentRecords s;
    ASSERT_TRUE(s.addBytes(0, 7, bytes("kept"), 4));
    std::vector<unsigned char> big(64 * 1024, 'z');
    {
        RefusingAllocator refusing(32 * 1024);
        EXPECT_FALSE(s.addBytes(1, 8, big.data(), uint32_t(big.size())));
        EXPECT_GT(refusing.refused(), 0u);
    }
    ASSERT_EQ(s.count(), 1u);
    EXPECT_EQ(textOf(s.get(0)), "kept");
    EXPECT_TRUE(s.takeFullNotice());
}

TEST(SentRecords, ClearGivesBackABigStore)
{
    SentRecords s;
    std::vector<unsigned char> big(1024 * 1024, 'q');
    ASSERT_TRUE(s.addBytes(0, 0, big.data(), uint32_t(big.size())));
    s.clear();
    EXPECT_EQ(s.footprint(), 0u);
    EXPECT_EQ(order(s, 3), "r[0,3)");
}
