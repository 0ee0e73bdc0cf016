#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "native/RefusingAllocator.h"
#include "util/ByteHistory.h"
#include "util/PVect.h"

namespace {

// A recognisable stream: byte i of it is pattern(i).
unsigned char pattern(uint64_t i)
{
    return static_cast<unsigned char>((i * 131u + (i >> 9)) & 0xFF);
}

std::vector<unsigned char> streamPart(uint64_t from, uint32_t n)
{
    std::vector<unsigned char> b(n);
    for (uint32_t k = 0; k < n; ++k)
        b[k] = pattern(from + k);
    return b;
}

// The receive history as the terminal keeps it, fed like the terminal
// feeds it, watching every move of its storage.
class History
{
public:
    History() : history(bytes) {}

    bool feed(uint32_t n)
    {
        std::vector<unsigned char> chunk = streamPart(sent, n);
        const unsigned char *before = bytes.items();
        uint32_t capacityBefore = bytes.capacity();
        bool ok = history.append(chunk.data(), n);
        if (bytes.items() != before) {
            ++moves;
            bytesMoved += capacityBefore;
        }
        sent += n;
        return ok;
    }

    // The history holds exactly the first held() bytes of the stream, then a NUL.
    void expectPrefixOfStream() const
    {
        uint32_t n = history.held();
        ASSERT_EQ(bytes.count(), n ? n + 1 : 0u);
        for (uint32_t i = 0; i < n; ++i)
            ASSERT_EQ(bytes.items()[i], pattern(i)) << "byte " << i;
        if (n) {
            ASSERT_EQ(bytes.items()[n], 0);
        }
    }

    PVect<unsigned char> bytes{16384};
    ByteHistory history;
    uint64_t sent = 0;
    unsigned moves = 0;
    uint64_t bytesMoved = 0;
};

} // namespace

TEST(ByteHistory, KeepsTheBytesNulTerminatedLikeTheTerminalAlwaysDid)
{
    History h;
    EXPECT_TRUE(h.feed(3));
    EXPECT_EQ(h.bytes.count(), 4u);
    EXPECT_TRUE(h.feed(2));
    EXPECT_EQ(h.bytes.count(), 6u);
    EXPECT_EQ(h.history.held(), 5u);
    h.expectPrefixOfStream();
    // Nothing appended: still empty, not "one NUL received".
    History empty;
    EXPECT_TRUE(empty.history.append(nullptr, 0));
    EXPECT_EQ(empty.bytes.count(), 0u);
}

TEST(ByteHistory, GrowthIsAmortizedSoALongHistoryCostsNoMorePerByteThanAShortOne)
{
    // 511-byte chunks, as the terminal drains them. Growing by the fixed
    // step of 16,384 would copy about n^2 / 32768 bytes: 32 GiB for 32 MiB.
    History shortRun, longRun;
    const uint32_t mib = 1u << 20;
    while (shortRun.sent < mib)
        ASSERT_TRUE(shortRun.feed(511));
    while (longRun.sent < 32 * mib)
        ASSERT_TRUE(longRun.feed(511));

    double shortCost = double(shortRun.bytesMoved) / double(shortRun.sent);
    double longCost = double(longRun.bytesMoved) / double(longRun.sent);
    EXPECT_LE(shortCost, 3.0);
    EXPECT_LE(longCost, 3.0);
    EXPECT_LE(longRun.moves, 25u);
    // Room reserved ahead stays within half the history.
    EXPECT_LE(longRun.bytes.capacity(), longRun.history.held() + longRun.history.held() / 2 + 16384);
    longRun.expectPrefixOfStream();
}

TEST(ByteHistory, ARefusedGrowthKeepsEveryByteHeldAndTakesWhatStillFits)
{
    History h;
    while (h.sent < 100000)
        ASSERT_TRUE(h.feed(511));
    uint32_t capacity = h.bytes.capacity();
    const unsigned char *storage = h.bytes.items();
    std::vector<unsigned char> before(h.bytes.items(), h.bytes.items() + h.bytes.count());

    {
        RefusingAllocator refusing(capacity + 1);
        while (h.history.held() + 511 + 1 <= capacity)
            ASSERT_TRUE(h.feed(511));
        EXPECT_FALSE(h.feed(511));
        EXPECT_GT(refusing.refused(), 0u);
    }
    EXPECT_TRUE(h.history.isFull());
    EXPECT_EQ(h.bytes.items(), storage);
    EXPECT_EQ(h.bytes.capacity(), capacity);
    // Filled to the last slot, the NUL in it.
    EXPECT_EQ(h.bytes.count(), capacity);
    EXPECT_EQ(std::memcmp(h.bytes.items(), before.data(), before.size() - 1), 0);
    h.expectPrefixOfStream();
    EXPECT_EQ(h.history.refused(), h.sent - h.history.held());
}

TEST(ByteHistory, OnceFullItTakesNothingMoreUntilCleared)
{
    History h;
    h.history.setLimit(1000);
    EXPECT_TRUE(h.feed(600));
    EXPECT_FALSE(h.feed(600));
    EXPECT_EQ(h.history.held(), 1000u);
    EXPECT_EQ(h.history.refused(), 200u);
    EXPECT_TRUE(h.history.takeFullNotice());
    EXPECT_FALSE(h.history.takeFullNotice());

    // Room again (a higher limit, memory freed elsewhere): a later chunk
    // must still not be stored after the gap, or the history would lie.
    h.history.setLimit(ByteHistory::maxBytes);
    EXPECT_FALSE(h.feed(5));
    EXPECT_EQ(h.history.held(), 1000u);
    EXPECT_EQ(h.history.refused(), 205u);
    EXPECT_FALSE(h.history.takeFullNotice());
    h.expectPrefixOfStream();

    h.history.setLimit(1000);
    h.history.clear();
    EXPECT_FALSE(h.history.isFull());
    EXPECT_EQ(h.bytes.count(), 0u);
    EXPECT_EQ(h.history.refused(), 0u);
    h.sent = 0;
    EXPECT_TRUE(h.feed(1000));
    EXPECT_FALSE(h.history.takeFullNotice());
    EXPECT_FALSE(h.feed(1));
    EXPECT_TRUE(h.history.takeFullNotice()) << "told again after a clear";
    h.expectPrefixOfStream();
}

TEST(ByteHistory, ALimitBelowWhatTheStorageHoldsStillStopsIt)
{
    // A short history's storage is kept over a clear: a limit counts
    // bytes, not slots.
    History h;
    while (h.sent < 40000)
        ASSERT_TRUE(h.feed(511));
    h.history.clear();
    h.sent = 0;
    h.history.setLimit(700);
    EXPECT_FALSE(h.feed(1024));
    EXPECT_EQ(h.history.held(), 700u);
    h.expectPrefixOfStream();
}

TEST(ByteHistory, ClearGivesBackTheStorageOfALongHistory)
{
    History h;
    while (h.sent < 4u * 1024 * 1024)
        ASSERT_TRUE(h.feed(8191));
    ASSERT_GT(h.bytes.capacity(), 4u * 1024 * 1024);
    h.history.clear();
    EXPECT_LE(h.bytes.capacity(), uint32_t(ByteHistory::keptOnClear));
    EXPECT_EQ(h.history.held(), 0u);
    h.sent = 0;
    EXPECT_TRUE(h.feed(100000));
    h.expectPrefixOfStream();
}

TEST(ByteHistory, WhenHalfAgainIsRefusedASmallerGrowthStillServes)
{
    // A 32-bit process often has room for a little more but not for half
    // as much again beside the old array.
    History h;
    while (h.sent < 150000)
        ASSERT_TRUE(h.feed(511));
    uint32_t capacity = h.bytes.capacity();
    uint32_t allowed = capacity + capacity / 8;
    RefusingAllocator refusing(allowed + 1);
    while (h.bytes.capacity() == capacity)
        ASSERT_TRUE(h.feed(511));
    EXPECT_GT(refusing.refused(), 0u);
    EXPECT_LE(h.bytes.capacity(), allowed);
    EXPECT_GE(h.bytes.capacity(), capacity + capacity / 16);
    h.expectPrefixOfStream();
}

TEST(ByteHistory, DoesNotCopyTheWholeHistoryForAFewBytesMore)
{
    // Growing by less than a sixteenth would bring back the cost of the
    // fixed step; the history is full instead.
    History h;
    while (h.sent < 150000)
        ASSERT_TRUE(h.feed(511));
    uint32_t capacity = h.bytes.capacity();
    RefusingAllocator refusing(capacity + capacity / 32);
    while (h.feed(511)) {
    }
    EXPECT_EQ(h.bytes.capacity(), capacity);
    EXPECT_TRUE(h.history.isFull());
    h.expectPrefixOfStream();
}
