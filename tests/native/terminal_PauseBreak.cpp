#include <gtest/gtest.h>

#include <vector>

#include "terminal/receive/PauseBreak.h"

namespace {

struct Read
{
    uint32_t offset;
    int64_t time;
};

std::vector<uint32_t> breaks(PauseBreak &p, std::vector<Read> reads, uint32_t length)
{
    ChunkTimes t;
    for (const Read &r : reads)
        t.add(r.offset, r.time);
    uint32_t out[PauseBreak::maxBreaks];
    uint32_t n = p.breaksIn(t, length, out);
    return std::vector<uint32_t>(out, out + n);
}

} // namespace

TEST(PauseBreak, AGapOfAtLeastThePauseEndsTheLineBeforeTheBytesAfterIt)
{
    struct Case
    {
        uint32_t pause;
        std::vector<Read> reads;
        std::vector<uint32_t> expected;
    };
    const Case cases[] = {
        // Packets 50 ms apart with a 20 ms pause: each begins a line.
        {20, {{0, 1000}, {4, 1050}, {8, 1100}}, {4, 8}},
        // Gaps shorter than the pause, and exactly the pause.
        {20, {{0, 1000}, {3, 1019}, {6, 1039}}, {6}},
        // Off: nothing breaks.
        {0, {{0, 1000}, {8, 9000}}, {}},
        // A clock that steps back breaks nothing.
        {20, {{0, 5000}, {4, 1000}}, {}},
        // Runs that hold no byte of the chunk take no part.
        {20, {{0, 1000}, {4, 1050}, {4, 1100}, {9, 1200}}, {4, 9}},
    };
    for (const Case &c : cases) {
        PauseBreak p(c.pause);
        EXPECT_EQ(breaks(p, c.reads, 12), c.expected) << "pause " << c.pause;
    }
}

TEST(PauseBreak, TheDecisionRunsOnFromChunkToChunkUntilReset)
{
    PauseBreak p(20);
    EXPECT_EQ(breaks(p, {{0, 1000}}, 5), std::vector<uint32_t>{});
    // The next chunk came after a pause: its first byte begins a line.
    EXPECT_EQ(breaks(p, {{0, 1100}, {2, 1105}}, 5), std::vector<uint32_t>{0});
    EXPECT_EQ(breaks(p, {{0, 1110}}, 5), std::vector<uint32_t>{});
    p.reset();
    EXPECT_EQ(breaks(p, {{0, 9000}}, 5), std::vector<uint32_t>{});
    p.setPause(100000);
    EXPECT_EQ(p.pause(), uint32_t(PauseBreak::maxPauseMs));
}
