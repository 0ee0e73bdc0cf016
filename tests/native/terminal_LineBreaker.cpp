#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "terminal/LineBreaker.h"

namespace {

std::string feed(LineBreaker &b, const std::string &text)
{
    std::vector<char> out;
    b.append(text.data(), uint32_t(text.size()), out);
    return std::string(out.begin(), out.end());
}

} // namespace

TEST(LineBreaker, ShortLinesPassUnchanged)
{
    LineBreaker b(8);
    EXPECT_EQ(feed(b, "abc\r\ndefgh\nij\rk"), "abc\r\ndefgh\nij\rk");
    EXPECT_EQ(b.lineLength(), 1u);
}

TEST(LineBreaker, ALineOfExactlyTheLimitGetsNoBreak)
{
    LineBreaker b(4);
    EXPECT_EQ(feed(b, "abcd\r\n"), "abcd\r\n");
    EXPECT_EQ(feed(b, "abcd"), "abcd");
}

TEST(LineBreaker, ALongLineIsBrokenEveryLimitCharacters)
{
    LineBreaker b(4);
    EXPECT_EQ(feed(b, "abcdefghij"), "abcd\r\nefgh\r\nij");
}

TEST(LineBreaker, TheRunCarriesAcrossPiecesUntilALineEndOrAReset)
{
    LineBreaker b(4);
    EXPECT_EQ(feed(b, "abc"), "abc");
    EXPECT_EQ(feed(b, "de"), "d\r\ne");
    EXPECT_EQ(feed(b, "\nabcd"), "\nabcd");
    b.reset();
    EXPECT_EQ(feed(b, "xyzw"), "xyzw");
}

TEST(LineBreaker, OnlyLineEndsAreAdded)
{
    LineBreaker b(3);
    std::string in(1000, '.');
    std::string out = feed(b, in);
    std::string stripped;
    for (char c : out)
        if (c != '\r' && c != '\n')
            stripped += c;
    EXPECT_EQ(stripped, in);
    EXPECT_EQ(out.size(), 1000u + 2u * 333u);
}
