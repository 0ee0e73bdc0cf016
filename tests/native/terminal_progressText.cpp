#include <gtest/gtest.h>

#include "terminal/ui/progressText.h"

#include <cstring>

TEST(ProgressText, FileSendFormatShowsTwoLines)
{
    char buffer[500];
    progressText(buffer, sizeof buffer, "Sending file...\n\rbyte %d of %d", 512, 1300);
    EXPECT_STREQ(buffer, "Sending file...\n\rbyte 512 of 1300");
}

TEST(ProgressText, ResultIsCutAndTerminatedToFitTheBuffer)
{
    char buffer[8];
    std::memset(buffer, 'x', sizeof buffer);
    size_t n = progressText(buffer, sizeof buffer, "byte %d of %d", 512, 1300);
    EXPECT_EQ(n, 7u);
    EXPECT_STREQ(buffer, "byte 51");
}

TEST(ProgressText, StrayConversionsAreCopiedNotExpanded)
{
    char buffer[64];
    progressText(buffer, sizeof buffer, "%s %d %d %d 100%%", 1, 2);
    EXPECT_STREQ(buffer, "%s 1 2 %d 100%");
}

TEST(ProgressText, NullFormatGivesEmptyTextAndZeroSizeWritesNothing)
{
    char buffer[4] = "abc";
    EXPECT_EQ(progressText(buffer, sizeof buffer, nullptr, 1, 2), 0u);
    EXPECT_STREQ(buffer, "");
    char untouched[2] = {'q', 0};
    EXPECT_EQ(progressText(untouched, 0, "x", 1, 2), 0u);
    EXPECT_EQ(untouched[0], 'q');
}

TEST(ProgressText, NegativeAndLargeNumbersArePrintedWhole)
{
    char buffer[64];
    progressText(buffer, sizeof buffer, "%d/%d", -5, 2147483647L);
    EXPECT_STREQ(buffer, "-5/2147483647");
}
