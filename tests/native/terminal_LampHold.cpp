#include <gtest/gtest.h>

#include "terminal/port/LampHold.h"

TEST(LampHold, ASteadyInputShowsAtOnce)
{
    LampHold lamp(100);
    lamp.reset(false, 0);
    EXPECT_FALSE(lamp.lit(500));
    lamp.report(true, false, 1000);
    EXPECT_TRUE(lamp.lit(1000));
    EXPECT_EQ(lamp.dueInMs(1000), 0u);
    lamp.report(false, false, 2000);
    EXPECT_FALSE(lamp.lit(2000));
}

// A ring of a few milliseconds: on and off again before the lamp was drawn.
TEST(LampHold, EveryChangeIsShownForItsMomentHoweverFastTheInputMoves)
{
    LampHold lamp(100);
    lamp.reset(false, 0);
    lamp.report(true, false, 1000);
    lamp.report(false, false, 1003);
    EXPECT_TRUE(lamp.lit(1005));
    EXPECT_EQ(lamp.dueInMs(1005), 95u);
    EXPECT_TRUE(lamp.lit(1099));
    // The drawing comes late: the lamp stays lit until then and goes dark
    // only when asked.
    EXPECT_FALSE(lamp.lit(1250));
    EXPECT_EQ(lamp.dueInMs(1250), 0u);
}

TEST(LampHold, AMoveSeenOnlyAsAnEventShowsAsABlink)
{
    LampHold lamp(100);
    lamp.reset(false, 0);
    lamp.report(false, true, 1000);   // RI came and went between two looks
    EXPECT_TRUE(lamp.lit(1000));
    EXPECT_TRUE(lamp.lit(1050));
    EXPECT_FALSE(lamp.lit(1100));
    EXPECT_FALSE(lamp.lit(1300));
}

TEST(LampHold, EachQueuedStateGetsItsOwnMomentFromWhenItWasShown)
{
    LampHold lamp(100);
    lamp.reset(false, 0);
    lamp.report(true, false, 1000);
    lamp.report(false, false, 1001);
    lamp.report(true, false, 1002);
    lamp.report(false, false, 1003);
    const struct
    {
        uint32_t at;
        bool lit;
    } steps[] = {{1000, true}, {1099, true}, {1100, false}, {1150, false}, {1199, false},
                 {1400, true}, {1450, true}, {1500, false}, {1900, false}};
    for (const auto &s : steps)
        EXPECT_EQ(lamp.lit(s.at), s.lit) << s.at;
}

TEST(LampHold, AnInputRingingFasterThanTheLampFollowsStaysNearThePresent)
{
    LampHold lamp(100);
    lamp.reset(false, 0);
    for (uint32_t t = 0; t < 200; ++t)
        lamp.report(t % 2 == 0, false, 1000 + t);   // ends off
    unsigned steps = 0;
    uint32_t now = 1200;
    while (lamp.dueInMs(now) != 0 && steps < 100) {
        now += lamp.dueInMs(now);
        lamp.lit(now);
        ++steps;
    }
    EXPECT_LE(steps, LampHold::depth) << "the queue is bounded";
    EXPECT_FALSE(lamp.lit(now + 1000)) << "the last state is the one that stays";
}

TEST(LampHold, ResetForgetsWhatWaited)
{
    LampHold lamp(100);
    lamp.reset(false, 0);
    lamp.report(true, false, 1000);
    lamp.report(false, false, 1001);
    lamp.reset(false, 1002);
    EXPECT_FALSE(lamp.lit(1002));
    EXPECT_EQ(lamp.dueInMs(1002), 0u);
    // The first state after a reset (a port just opened) shows at once.
    lamp.report(true, false, 1003);
    EXPECT_TRUE(lamp.lit(1003));
}
