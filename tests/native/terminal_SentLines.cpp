#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "terminal/receive/SentLines.h"

namespace {

struct Lines : TextSink
{
    std::vector<std::string> got;
    uint32_t abortAfter = UINT32_MAX;
    void putText(const char *text, uint32_t length) override { got.emplace_back(text, length); }
    bool progress(uint32_t) override { return got.size() < abortAfter; }
};

std::vector<std::string> text(const std::string &sent, const int64_t *time = nullptr)
{
    Lines l;
    EXPECT_TRUE(SentLines::text(l, reinterpret_cast<const unsigned char *>(sent.data()), uint32_t(sent.size()), time));
    return l.got;
}

} // namespace

TEST(SentLines, EachLineOfASendIsALineOfItsOwn)
{
    struct Case
    {
        std::string sent;
        std::vector<std::string> lines;
    } cases[] = {
        {"AT", {"AT\r\n"}},
        {"AT\r", {"AT\r\n"}},
        {"A\rB\r", {"A\r\n", "B\r\n"}},
        {"A\r\nB\nC", {"A\r\n", "B\r\n", "C\r\n"}},
        {"\r\n\r\n", {"\r\n", "\r\n"}},
        {std::string("x\0\x1b\ty\x7f", 6), {"x..\ty.\r\n"}},
        {"", {}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(text(c.sent), c.lines) << c.sent;
    std::vector<std::string> cut = text(std::string(SentLines::maxLineChars + 3, 'q'));
    ASSERT_EQ(cut.size(), 2u);
    EXPECT_EQ(cut[1], "qqq\r\n");
}

TEST(SentLines, WithTimesEveryLineBeginsWithTheSendsTime)
{
    int64_t t = ((14 * 60 + 3) * 60 + 7) * 1000 + 125;
    EXPECT_EQ(text("AT\r\nATI", &t), (std::vector<std::string>{"14:03:07.125 AT\r\n", "14:03:07.125 ATI\r\n"}));
    Lines l;
    ASSERT_TRUE(SentLines::file(l, "fw.bin", 70000, &t));
    EXPECT_EQ(l.got, std::vector<std::string>{"14:03:07.125 File fw.bin, 70000 bytes\r\n"});
}

TEST(SentLines, HexSendsAreDumpLinesCountedWithinTheSend)
{
    Lines l;
    const unsigned char b[] = "ATI0123456\r";
    ASSERT_TRUE(SentLines::hex(l, b, 11, nullptr));
    EXPECT_EQ(l.got, (std::vector<std::string>{"000000 4154493031323334 ATI01234\r\n",
                                               "000008 35360D           56.\r\n"}));
}

TEST(SentLines, AnAbortStopsAfterTheLineShown)
{
    Lines l;
    l.abortAfter = 1;
    std::string s = "a\rb\rc";
    EXPECT_FALSE(SentLines::text(l, reinterpret_cast<const unsigned char *>(s.data()), 5, nullptr));
    EXPECT_EQ(l.got.size(), 1u);
}
