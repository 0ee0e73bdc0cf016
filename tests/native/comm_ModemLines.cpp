#include <gtest/gtest.h>

#include "comm/ModemLines.h"

TEST(ModemLines, DriverStatusAndEventBitsMapToTheFourInputs)
{
    EXPECT_EQ(ModemLines::fromModemStatus(0x10), ModemLines::cts);
    EXPECT_EQ(ModemLines::fromModemStatus(0x20), ModemLines::dsr);
    EXPECT_EQ(ModemLines::fromModemStatus(0x40), ModemLines::ring);
    EXPECT_EQ(ModemLines::fromModemStatus(0x80), ModemLines::dcd);
    EXPECT_EQ(ModemLines::fromModemStatus(0x0F), 0);
    EXPECT_EQ(ModemLines::fromEvents(0x08), ModemLines::cts);
    EXPECT_EQ(ModemLines::fromEvents(0x10), ModemLines::dsr);
    EXPECT_EQ(ModemLines::fromEvents(0x20), ModemLines::dcd);
    EXPECT_EQ(ModemLines::fromEvents(0x100), ModemLines::ring);
    EXPECT_EQ(ModemLines::fromEvents(0x01 | 0x04 | 0x40 | 0x80), 0) << "RXCHAR, TXEMPTY, BREAK, ERR";
    const char *labels[] = {"CTS", "DSR", "DCD", "RI"};
    for (unsigned i = 0; i < ModemLines::inputCount; ++i)
        EXPECT_STREQ(ModemLines::inputLabel(i), labels[i]);
    EXPECT_EQ(ModemLines::inputLabel(4), nullptr);
    EXPECT_EQ(ModemLines::inputBit(2), ModemLines::dcd);
    EXPECT_EQ(ModemLines::inputBit(4), 0);
}

// A ring that came and went between two looks of the window still shows as
// a change, although the status reads the same before and after.
TEST(ModemLines, ChangesAccumulateUntilTakenAndAnEventMarksALineThatCameBack)
{
    ModemLines lines;
    EXPECT_FALSE(lines.peek().known);
    EXPECT_TRUE(lines.update(ModemLines::cts));
    ModemLines::State first = lines.take();
    EXPECT_TRUE(first.known);
    EXPECT_EQ(first.on, ModemLines::cts);
    EXPECT_EQ(first.changed, 0) << "the first status is no change";

    EXPECT_FALSE(lines.update(ModemLines::cts));
    EXPECT_TRUE(lines.update(ModemLines::cts | ModemLines::dsr));
    EXPECT_TRUE(lines.update(ModemLines::dsr));
    EXPECT_TRUE(lines.update(ModemLines::dsr, ModemLines::ring));
    ModemLines::State s = lines.take();
    EXPECT_EQ(s.on, ModemLines::dsr);
    EXPECT_EQ(s.changed, ModemLines::cts | ModemLines::dsr | ModemLines::ring);
    EXPECT_EQ(lines.take().changed, 0);

    lines.setUnknown();
    EXPECT_FALSE(lines.peek().known);
    EXPECT_EQ(lines.peek().on, 0);
}

TEST(ModemLines, StatePacksIntoOneWordAndBack)
{
    ModemLines::State s;
    s.on = ModemLines::cts | ModemLines::ring;
    s.changed = ModemLines::dcd;
    s.known = true;
    ModemLines::State back = ModemLines::State::unpack(s.pack());
    EXPECT_EQ(back.on, s.on);
    EXPECT_EQ(back.changed, s.changed);
    EXPECT_TRUE(back.known);
    EXPECT_FALSE(ModemLines::State::unpack(0).known);
    EXPECT_EQ(ModemLines::State::unpack(0xFFFFFFFFu).on, ModemLines::allInputs);
}

TEST(ModemLines, EachUpdateReportsOnlyItsOwnMovesWhileTheStoredChangesGrow)
{
    ModemLines lines;
    ModemLines::State step;
    EXPECT_TRUE(lines.update(0, 0, &step));
    EXPECT_TRUE(step.known);
    EXPECT_TRUE(lines.update(ModemLines::ring, 0, &step));
    EXPECT_EQ(step.on, ModemLines::ring);
    EXPECT_EQ(step.changed, ModemLines::ring);
    EXPECT_TRUE(lines.update(ModemLines::ring | ModemLines::dcd, 0, &step));
    EXPECT_EQ(step.changed, ModemLines::dcd);
    EXPECT_EQ(lines.take().changed, ModemLines::ring | ModemLines::dcd);
}
