#include <gtest/gtest.h>

#include "comm/LinkLoss.h"

TEST(LinkLoss, ErrorsOfAVanishedDeviceOnWindowsAndWineMeanGone)
{
    // Windows USB adapters pulled out, then Wine on a closed pseudo-terminal.
    const unsigned long gone[] = {5, 22, 31, 433, 1167, 1617, 21, 109};
    for (unsigned long e : gone)
        EXPECT_TRUE(LinkLoss::meansDeviceGone(e)) << e;
}

TEST(LinkLoss, ErrorsAPresentPortGivesDoNotMeanGone)
{
    // Success, invalid parameter, aborted or pending I/O (Wine fails every
    // event wait of a present pseudo-terminal with 995), time-out, not supported.
    const unsigned long present[] = {0, 87, 995, 996, 997, 1460, 50, 6};
    for (unsigned long e : present)
        EXPECT_FALSE(LinkLoss::meansDeviceGone(e)) << e;
}

TEST(LinkLoss, OneGoneErrorIsTheLoss)
{
    LinkLoss link;
    EXPECT_FALSE(link.isLost());
    EXPECT_TRUE(link.statusFailed(21));
    EXPECT_TRUE(link.isLost());
    // Once lost, a later success does not bring the device back.
    link.statusOk();
    EXPECT_TRUE(link.isLost());
}

TEST(LinkLoss, OtherErrorsCountOnlyWhenTheyRepeatInARow)
{
    LinkLoss link;
    for (int round = 0; round < 3; ++round) {
        for (int i = 1; i < LinkLoss::otherFailuresForLoss; ++i)
            EXPECT_FALSE(link.statusFailed(87)) << round << " " << i;
        link.statusOk();
    }
    EXPECT_FALSE(link.isLost());
    for (int i = 1; i < LinkLoss::otherFailuresForLoss; ++i)
        EXPECT_FALSE(link.statusFailed(87));
    EXPECT_TRUE(link.statusFailed(87));
    EXPECT_TRUE(link.isLost());
}
