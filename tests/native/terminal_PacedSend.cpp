#include <gtest/gtest.h>

#include "terminal/send/PacedSend.h"

TEST(PacedSend, OnlyPausesOfMoreThanHalfASecondRunWithProgress)
{
    struct Case
    {
        uint32_t bytes, delay;
        bool progress;
    } cases[] = {
        {0, 0, false},           {50, 0, false},          {1, 500, false},        {10, 50, false},
        {1, 501, true},          {11, 50, true},          {10, 2000, true},       {50, 10000, true},
        // The stored delay that froze the program: its product needs 64 bits.
        {1, 0xFFFFFFFFu, true}, {0xFFFFFFFFu, 0xFFFFFFFFu, true},              {0, 0xFFFFFFFFu, false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(PacedSend::needsProgress(c.bytes, c.delay), c.progress) << c.bytes << " x " << c.delay;
}

TEST(PacedSend, EachByteThenItsPauseTheLastOneToo)
{
    PacedSend p;
    p.start(3, 2000, 1000);
    EXPECT_TRUE(p.byteDue(1000));
    p.byteSent(1000);
    EXPECT_FALSE(p.byteDue(2999));
    EXPECT_EQ(p.waitFrom(2500), 500u);
    EXPECT_TRUE(p.byteDue(3000));
    p.byteSent(3100);   // a late step pushes the next pause on, never shortens it
    EXPECT_FALSE(p.byteDue(5000));
    EXPECT_TRUE(p.byteDue(5100));
    p.byteSent(5100);
    EXPECT_EQ(p.sent(), 3u);
    EXPECT_FALSE(p.byteDue(9000));
    EXPECT_FALSE(p.finished(7099));
    EXPECT_EQ(p.waitFrom(7000), 100u);
    EXPECT_TRUE(p.finished(7100));
    EXPECT_FALSE(p.aborted());
}

TEST(PacedSend, AnAbortEndsItAtOnce)
{
    PacedSend p;
    p.start(10, 2000, 0);
    p.byteSent(0);
    p.stop();
    EXPECT_TRUE(p.finished(1));
    EXPECT_TRUE(p.aborted());
    EXPECT_FALSE(p.byteDue(100000));
    EXPECT_EQ(p.waitFrom(1), 0u);
    p.byteSent(100000);
    EXPECT_EQ(p.sent(), 1u);
}
