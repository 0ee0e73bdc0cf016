#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "terminal/receive/TimedText.h"

namespace {

// 10:20:30.000 on some day, in local milliseconds from 1601.
const int64_t day = 86400000;
const int64_t t0 = 150000 * day + (10 * 3600 + 20 * 60 + 30) * 1000;

struct Piece
{
    const char *bytes;
    int64_t at;   // ms after t0
};

// The chunks as they reach the renderer: each piece is a run of one time;
// a chunk is a list of pieces.
struct Case
{
    const char *name;
    std::vector<std::vector<Piece>> chunks;
    std::string shown;
};

class StringSink : public TextSink
{
public:
    void putText(const char *text, uint32_t length) override { out.append(text, length); }
    bool progress(uint32_t) override { return true; }
    std::string out;
};

class PieceTimes : public ByteTimes
{
public:
    explicit PieceTimes(const std::vector<Piece> &pieces) : pieces(pieces) {}
    int64_t timeOf(uint32_t index) override
    {
        uint32_t from = 0;
        for (const Piece &p : pieces) {
            from += uint32_t(std::string(p.bytes).size());
            if (index < from)
                return t0 + p.at;
        }
        return -1;
    }

private:
    const std::vector<Piece> &pieces;
};

const Case cases[] = {
    {"lines ended by LF", {{{"ab\ncd\n", 0}}}, "10:20:30.000 ab\n10:20:30.000 cd\n"},
    {"a line split over two chunks keeps its start's time", {{{"ab", 5}}, {{"cd\n", 1200}}},
     "10:20:30.005 abcd\n"},
    {"a line begun shows its time at once", {{{"x\ny", 7}}}, "10:20:30.007 x\n10:20:30.007 y"},
    {"CR LF split over two chunks is one line end", {{{"ab\r", 1}}, {{"\ncd", 2}}},
     "10:20:30.001 ab\r\n10:20:30.002 cd"},
    {"a lone CR ends a line", {{{"ab\rcd", 3}}}, "10:20:30.003 ab\r10:20:30.003 cd"},
    {"a line begun inside a chunk has the time of the read that brought it", {{{"ab\nc", 10}, {"d\nef", 999}}},
     "10:20:30.010 ab\n10:20:30.010 cd\n10:20:30.999 ef"},
    {"empty lines have times too", {{{"\n\r\n\r", 4}}}, "10:20:30.004 \n10:20:30.004 \r\n10:20:30.004 \r"},
    {"other controls pass as they are", {{{"a", 0}, {"\tb", 0}}}, "10:20:30.000 a\tb"},
};

TEST(TimedText, EveryLineBeginsWithItsFirstBytesArrival)
{
    for (const Case &c : cases) {
        TimedText layout;
        StringSink sink;
        for (const std::vector<Piece> &chunk : c.chunks) {
            std::string bytes;
            for (const Piece &p : chunk)
                bytes += p.bytes;
            PieceTimes times(chunk);
            EXPECT_TRUE(layout.render(sink, reinterpret_cast<const unsigned char *>(bytes.data()),
                                      uint32_t(bytes.size()), times));
        }
        EXPECT_EQ(sink.out, c.shown) << c.name;
    }
}

TEST(TimedText, NulShowsAsADot)
{
    const unsigned char bytes[] = {'a', 0, 'b', '\n'};
    std::vector<Piece> one = {{"abcd", 0}};
    PieceTimes times(one);
    TimedText layout;
    StringSink sink;
    layout.render(sink, bytes, 4, times);
    EXPECT_EQ(sink.out, "10:20:30.000 a.b\n");
}

TEST(TimedText, TimeOfDayWrapsAtMidnight)
{
    const struct
    {
        int64_t ms;
        const char *shown;
    } times[] = {
        {day - 1, "23:59:59.999 "},
        {day, "00:00:00.000 "},
        {150000 * day + 45296789, "12:34:56.789 "},
        {-1, "23:59:59.999 "},
    };
    for (const auto &t : times) {
        char out[TimedText::prefixChars + 1];
        EXPECT_EQ(TimedText::formatTime(t.ms, out), uint32_t(TimedText::prefixChars));
        EXPECT_STREQ(out, t.shown);
    }
}

} // namespace
