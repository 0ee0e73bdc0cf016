#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "terminal/receive/TextDump.h"

namespace {

struct ModelText : TextSink {
    std::string text;
    std::vector<uint32_t> reports;
    int inserts = 0;
    int abortAt = -1;  // progress calls accepted before aborting
    void putText(const char *t, uint32_t length) override
    {
        EXPECT_EQ(t[length], '\0');
        text.append(t, length);
        ++inserts;
    }
    bool progress(uint32_t done) override
    {
        reports.push_back(done);
        if (abortAt < 0)
            return true;
        return --abortAt > 0;
    }
};

bool render(ModelText &m, const std::string &s)
{
    std::vector<char> scratch(s.size() + 1);
    // The data is followed by a NUL, as the receive buffer keeps it.
    std::string data = s + '\0';
    return TextDump::render(m, reinterpret_cast<const unsigned char *>(data.data()), uint32_t(s.size()), scratch.data());
}

} // namespace

TEST(TextDump, ShortDataKeepsLineBreaksAndControls)
{
    ModelText m;
    EXPECT_TRUE(render(m, "ab\r\ncd\x07"));
    EXPECT_EQ(m.text, "ab\r\ncd\x07");
}

TEST(TextDump, NulShowsAsDotAlsoAsLastByte)
{
    ModelText m;
    render(m, std::string("A\0B\0", 4));
    EXPECT_EQ(m.text, "A.B.");
}

TEST(TextDump, ShortDataReportsProgressAfterEachSegment)
{
    ModelText m;
    render(m, std::string("ab\0cd", 5));
    EXPECT_EQ(m.reports, (std::vector<uint32_t>{3, 5}));
}

TEST(TextDump, RunsOfNulsReportProgressEveryFiftySegments)
{
    ModelText m;
    render(m, std::string(120, '\0'));
    EXPECT_EQ(m.text, std::string(120, '.'));
    EXPECT_EQ(m.reports, (std::vector<uint32_t>{50, 100}));
}

TEST(TextDump, AbortInShortDataStopsInserting)
{
    ModelText m;
    m.abortAt = 1;
    EXPECT_FALSE(render(m, std::string("ab\0cd\0ef", 8)));
    EXPECT_EQ(m.text, "ab.");
}

TEST(TextDump, LongDataTurnsEveryControlIntoADotInOneInsertion)
{
    std::string s;
    for (int i = 0; i < 2000; ++i)
        s += (i % 10 == 8) ? '\r' : (i % 10 == 9) ? '\n' : char('a' + i % 8);
    s[5] = 0x7F;
    s[6] = char(0xE9);
    ModelText m;
    EXPECT_TRUE(render(m, s));
    EXPECT_EQ(m.inserts, 1);
    ASSERT_EQ(m.text.size(), 2000u);
    EXPECT_EQ(m.text.find('\r'), std::string::npos);
    EXPECT_EQ(m.text.find('\n'), std::string::npos);
    EXPECT_EQ(m.text[8], '.');
    EXPECT_EQ(m.text[5], '.');
    EXPECT_EQ(m.text[6], char(0xE9));
}

TEST(TextDump, ExactlyTheShortLimitStillKeepsLineBreaks)
{
    ModelText m;
    render(m, std::string(1023, 'x') + "\n");
    EXPECT_EQ(m.text.back(), '\n');
    ModelText l;
    render(l, std::string(1024, 'x') + "\n");
    EXPECT_EQ(l.text.back(), '.');
}

TEST(TextDump, LongDataReportsEvery256Bytes)
{
    ModelText m;
    render(m, std::string(1100, 'z'));
    EXPECT_EQ(m.reports, (std::vector<uint32_t>{256, 512, 768, 1024}));
}

TEST(TextDump, AbortInLongDataInsertsWhatWasConverted)
{
    ModelText m;
    m.abortAt = 2;
    EXPECT_FALSE(render(m, std::string(3000, '\n')));
    EXPECT_EQ(m.inserts, 1);
    EXPECT_EQ(m.text, std::string(512, '.'));
}
