#include <gtest/gtest.h>

#include <string>

#include "terminal/receive/AnsiText.h"

namespace {

// A layout that puts a marker before every piece, as the timed layout puts a
// time before a line: the runs must land on the text, not on the marker.
struct Marked : AnsiLayout
{
    std::string out;
    std::string froms;
    void piece(const unsigned char *text, uint32_t length, uint32_t from) override
    {
        out += '|';
        out.append(reinterpret_cast<const char *>(text), length);
        froms += std::to_string(from) + ",";
    }
    uint32_t laidOut() const override { return uint32_t(out.size()); }
};

std::string feed(AnsiText &t, Marked &m, const std::string &s)
{
    t.render(reinterpret_cast<const unsigned char *>(s.data()), uint32_t(s.size()), m);
    return m.out;
}

const uint32_t green = AnsiParser::paletteColour(2);

TEST(AnsiText, RunsStartWhereTheirTextWasLaidOut)
{
    AnsiText t;
    Marked m;
    EXPECT_EQ(feed(t, m, "ab\x1b[32mcd\x1b[0mef"), "|ab|cd|ef");
    ASSERT_EQ(t.runCount(), 3u);
    EXPECT_EQ(t.runs()[0].at, 0u);
    EXPECT_TRUE(t.runs()[0].attr.isDefault());
    // "|cd" begins at 3; the run begins at the marker, which takes the
    // colour of the text it stands before.
    EXPECT_EQ(t.runs()[1].at, 3u);
    EXPECT_EQ(t.runs()[1].attr.fg, green);
    EXPECT_EQ(t.runs()[2].at, 6u);
    EXPECT_TRUE(t.runs()[2].attr.isDefault());
    EXPECT_FALSE(t.allDefault());
    // Where each piece came from in the data, for its times.
    EXPECT_EQ(m.froms, "0,7,13,");
}

TEST(AnsiText, SequenceCutBetweenRendersCarriesItsColourOver)
{
    AnsiText t;
    Marked first, second;
    feed(t, first, "x\x1b[3");
    EXPECT_EQ(first.out, "|x");
    EXPECT_TRUE(t.allDefault());
    feed(t, second, "2my");
    EXPECT_EQ(second.out, "|y");
    ASSERT_GE(t.runCount(), 1u);
    EXPECT_EQ(t.runs()[t.runCount() - 1].attr.fg, green);
    // A render that begins inside the colour begins with it.
    Marked third;
    feed(t, third, "z");
    ASSERT_EQ(t.runCount(), 1u);
    EXPECT_EQ(t.runs()[0].attr.fg, green);
    t.reset();
    Marked fourth;
    feed(t, fourth, "w");
    EXPECT_TRUE(t.allDefault());
}

TEST(AnsiText, NeverEndingSequenceShowsAsItCameFromACopy)
{
    AnsiText t;
    Marked m;
    std::string s = "ab\x1b[" + std::string(80, '1');
    feed(t, m, s);
    std::string shown;
    for (char c : m.out)
        if (c != '|')
            shown += c;
    EXPECT_EQ(shown, s);
}

} // namespace
