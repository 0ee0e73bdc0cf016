#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "win/TextSelection.h"

TEST(TextSelection, OffsetsAreClampedAndFollowCuts)
{
    TextSelection s;
    s.set(50, 3, 10);
    EXPECT_EQ(s.anchorAt(), 10u);
    EXPECT_EQ(s.caretAt(), 3u);
    EXPECT_EQ(s.from(), 3u);
    EXPECT_EQ(s.to(), 10u);
    s.tailCut(5);
    EXPECT_EQ(s.from(), 3u);
    EXPECT_EQ(s.to(), 5u);
    s.headCut(4);
    EXPECT_EQ(s.from(), 0u);
    EXPECT_EQ(s.to(), 1u);
    s.extendTo(7, 6);
    EXPECT_EQ(s.anchorAt(), 1u);
    EXPECT_EQ(s.caretAt(), 6u);
}

TEST(TextSelection, WordAroundPicksTheRunUnderTheOffset)
{
    const char *text = "hello, world  42\r\nx";
    size_t n = std::strlen(text), from, to;
    TextSelection::wordAround(text, n, 1, from, to);
    EXPECT_EQ(std::string(text + from, to - from), "hello");
    TextSelection::wordAround(text, n, 5, from, to);
    EXPECT_EQ(std::string(text + from, to - from), ",");
    TextSelection::wordAround(text, n, 12, from, to);
    EXPECT_EQ(std::string(text + from, to - from), "  ");
    // Past the last sign of a line: the word before it, never the line end.
    TextSelection::wordAround(text, n, 16, from, to);
    EXPECT_EQ(std::string(text + from, to - from), "42");
    TextSelection::wordAround(text, n, 17, from, to);
    EXPECT_EQ(from, to);
    TextSelection::wordAround(text, n, 100, from, to);
    EXPECT_EQ(std::string(text + from, to - from), "x");
    TextSelection::wordAround("", 0, 0, from, to);
    EXPECT_EQ(from, 0u);
    EXPECT_EQ(to, 0u);
}

