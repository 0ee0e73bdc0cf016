#include <gtest/gtest.h>

#include <string>

#include "comm/LineErrors.h"

namespace {

std::string text(const LineErrors &e, size_t size = 80)
{
    char buffer[80];
    e.describe(buffer, size);
    return buffer;
}

} // namespace

TEST(LineErrors, EachReportCountsOncePerKindAndBothOverflowsAreOverrun)
{
    LineErrors e;
    EXPECT_FALSE(e.add(0));
    EXPECT_FALSE(e.add(0x20 | 0x100));   // CE_TXFULL, CE_PTO: not line errors
    EXPECT_TRUE(e.add(LineErrors::frameFlag | LineErrors::parityFlag));
    EXPECT_TRUE(e.add(LineErrors::rxOver));
    EXPECT_TRUE(e.add(LineErrors::overrunFlag | LineErrors::rxOver));
    EXPECT_TRUE(e.add(LineErrors::breakFlag));
    EXPECT_EQ(e.framing, 1u);
    EXPECT_EQ(e.parity, 1u);
    EXPECT_EQ(e.overrun, 2u);
    EXPECT_EQ(e.breaks, 1u);
    EXPECT_EQ(e.total(), 5u);
}

TEST(LineErrors, CountsStopAtTheTop)
{
    LineErrors e;
    e.framing = 0xFFFFFFFFu;
    e.add(LineErrors::frameFlag);
    EXPECT_EQ(e.framing, 0xFFFFFFFFu);
}

TEST(LineErrors, DescriptionNamesTheKindsThatOccurredInOrder)
{
    struct Case
    {
        uint32_t breaks, framing, parity, overrun;
        const char *expected;
    };
    const Case cases[] = {
        {0, 0, 0, 0, ""},
        {0, 12, 0, 1, "errors: 12 framing, 1 overrun"},
        {1, 0, 0, 0, "errors: 1 break"},
        {2, 3, 4, 5, "errors: 2 breaks, 3 framing, 4 parity, 5 overrun"},
        {0, 0, 7, 0, "errors: 7 parity"},
        {0, 4294967295u, 0, 0, "errors: 4294967295 framing"},
    };
    for (const Case &c : cases) {
        LineErrors e;
        e.breaks = c.breaks;
        e.framing = c.framing;
        e.parity = c.parity;
        e.overrun = c.overrun;
        EXPECT_EQ(text(e), c.expected);
    }
}

TEST(LineErrors, DescriptionThatDoesNotFitIsEmpty)
{
    LineErrors e;
    e.framing = 12;
    e.overrun = 1;
    EXPECT_EQ(text(e, 29), "");   // needs 30 with its NUL
    EXPECT_EQ(text(e, 30), "errors: 12 framing, 1 overrun");
    e.describe(nullptr, 10);
}
