#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "comm/P_CList.h"

TEST(P_CList, EmptyQueueHoldsNothingAndHas4095Free)
{
    P_CList q;
    EXPECT_EQ(q.count(), 0u);
    EXPECT_EQ(q.freeSpace(), 4095u);
    EXPECT_EQ(q.capacity(), 4095u);
}

TEST(P_CList, AcceptsAtMost4095Bytes)
{
    P_CList q;
    for (unsigned i = 0; i < 4095; ++i)
        q.push(static_cast<unsigned char>(i));
    EXPECT_EQ(q.count(), 4095u);
    EXPECT_EQ(q.freeSpace(), 0u);
    unsigned char extra[10] = {};
    EXPECT_EQ(q.pushBlock(extra, 10), 0u);
    EXPECT_EQ(q.count(), 4095u);
}

TEST(P_CList, BytesComeOutInTheOrderTheyWentIn)
{
    P_CList q(16);
    for (unsigned char b = 1; b <= 10; ++b)
        q.push(b);
    for (unsigned char b = 1; b <= 10; ++b) {
        unsigned char got = 0;
        q.pop(&got);
        EXPECT_EQ(got, b);
    }
    EXPECT_EQ(q.count(), 0u);
}

TEST(P_CList, CountAndFreeSpaceStayRightAcrossWrapAround)
{
    P_CList q;
    unsigned char byte = 0;
    // Walk head and tail round the ring several times at every fill level.
    for (unsigned fill : {1u, 7u, 2048u, 4094u, 4095u}) {
        for (unsigned step = 0; step < 3 * 4096; step += 1021) {
            q.clear();
            for (unsigned i = 0; i < step % 4096; ++i) {
                q.push(0);
                q.pop(&byte);
            }
            for (unsigned i = 0; i < fill; ++i)
                q.push(static_cast<unsigned char>(i));
            ASSERT_EQ(q.count(), fill);
            ASSERT_EQ(q.freeSpace(), 4095u - fill);
            for (unsigned i = 0; i < fill; ++i) {
                q.pop(&byte);
                ASSERT_EQ(byte, static_cast<unsigned char>(i));
            }
            ASSERT_EQ(q.count(), 0u);
            ASSERT_EQ(q.freeSpace(), 4095u);
        }
    }
}

TEST(P_CList, HeadOneBehindTailLeavesNoFreeSpace)
{
    P_CList q;
    unsigned char byte = 0;
    for (unsigned i = 0; i < 100; ++i) {
        q.push(0);
        q.pop(&byte);
    }
    // tail = head = 100; fill so head wraps to 99.
    for (unsigned i = 0; i < 4095; ++i)
        q.push(1);
    EXPECT_EQ(q.freeSpace(), 0u);
    EXPECT_EQ(q.count(), 4095u);
}

TEST(P_CList, BlockTransfersTakeOnlyWhatFitsAndWrap)
{
    P_CList q(8);
    std::vector<unsigned char> in = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    EXPECT_EQ(q.pushBlock(in.data(), 9), 7u);
    unsigned char out[16] = {};
    EXPECT_EQ(q.popBlock(out, 5), 5u);
    EXPECT_EQ(out[0], 1);
    EXPECT_EQ(out[4], 5);
    // 2 queued at indexes 5, 6; this block wraps past the end.
    EXPECT_EQ(q.pushBlock(in.data(), 5), 5u);
    EXPECT_EQ(q.count(), 7u);
    EXPECT_EQ(q.popBlock(out, 16), 7u);
    const unsigned char expected[] = {6, 7, 1, 2, 3, 4, 5};
    for (unsigned i = 0; i < 7; ++i)
        EXPECT_EQ(out[i], expected[i]) << i;
    EXPECT_EQ(q.popBlock(out, 3), 0u);
}

TEST(P_CList, ClearEmptiesTheQueue)
{
    P_CList q;
    for (unsigned i = 0; i < 300; ++i)
        q.push(1);
    q.clear();
    EXPECT_EQ(q.count(), 0u);
    EXPECT_EQ(q.freeSpace(), 4095u);
}

// Every byte taken comes with the time of the block that brought it, through
// wrap-around and a queue filled to the brim with blocks of one byte each.
TEST(P_CList, ArrivalTimesTravelWithTheBytes)
{
    P_CList q(64);
    std::mt19937 rng(9);
    std::vector<int64_t> queued;   // the time of each byte still queued
    int64_t clock = 1000;
    unsigned char bytes[64] = {};
    for (int round = 0; round < 5000; ++round) {
        if (rng() % 2) {
            uint32_t n = rng() % 3 == 0 ? 1 : 1 + rng() % 40;
            clock += rng() % 3;   // the same time twice joins one run
            uint32_t stored = q.pushBlock(bytes, n, clock);
            queued.insert(queued.end(), stored, clock);
            continue;
        }
        ChunkTimes times;
        uint32_t taken = q.popBlock(bytes, 1 + rng() % 63, times);
        ASSERT_EQ(times.count() == 0, taken == 0);
        for (uint32_t r = 0; r < times.count(); ++r)
            for (uint32_t i = times.run(r).offset; i < times.endOf(r, taken); ++i)
                ASSERT_EQ(times.run(r).time, queued[i]) << "round " << round << ", byte " << i;
        queued.erase(queued.begin(), queued.begin() + taken);
    }
    // One byte per block, each at a time of its own, up to the brim.
    ChunkTimes times;
    q.popBlock(bytes, 64, times);
    for (int64_t t = 0; t < 63; ++t)
        ASSERT_EQ(q.pushBlock(bytes, 1, t), 1u);
    ASSERT_EQ(q.popBlock(bytes, 64, times), 63u);
    ASSERT_EQ(times.count(), 63u);
    EXPECT_EQ(times.run(62).offset, 62u);
    EXPECT_EQ(times.run(62).time, 62);
}
