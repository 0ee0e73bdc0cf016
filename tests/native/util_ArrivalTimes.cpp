#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <vector>

#include "util/ArrivalTimes.h"

namespace {

typedef ArrivalTimes::Stamp Stamp;

// A received stream fed to the store chunk by chunk, with the arrival time of
// every byte kept aside as the model.
struct Received
{
    ArrivalTimes times;
    std::vector<unsigned char> bytes;
    std::vector<Stamp> model;

    void add(const std::vector<unsigned char> &chunk, Stamp at)
    {
        times.add(chunk.data(), uint32_t(chunk.size()), at);
        bytes.insert(bytes.end(), chunk.begin(), chunk.end());
        model.insert(model.end(), chunk.size(), at);
    }

    // The offsets the view can begin a line at: the first, every eighth
    // (hex), after an LF and after a CR that no LF follows.
    bool beginsLine(size_t o, size_t from = 0) const
    {
        if (o == from || (o - from) % 8 == 0)
            return true;
        unsigned char before = bytes[o - 1];
        return before == '\n' || (before == '\r' && bytes[o] != '\n');
    }
};

// Text in lines of 1 to 80 characters, their ends LF, CR LF or a lone CR.
std::vector<unsigned char> text(std::mt19937 &rng, size_t n)
{
    std::vector<unsigned char> out;
    while (out.size() < n) {
        size_t line = 1 + rng() % 80;
        for (size_t i = 0; i < line; ++i)
            out.push_back(static_cast<unsigned char>(0x20 + rng() % 0x5F));
        switch (rng() % 3) {
        case 0: out.push_back('\n'); break;
        case 1: out.push_back('\r'); out.push_back('\n'); break;
        default: out.push_back('\r'); break;
        }
    }
    out.resize(n);
    return out;
}

// Chunks of 1 to 600 bytes; the clock runs on by 0 to 40 ms, now and then
// jumps an hour back or forward (set by hand, daylight saving) or passes
// midnight.
void feed(Received &r, std::mt19937 &rng, size_t total)
{
    std::vector<unsigned char> all = text(rng, total);
    Stamp t = 13000000000000LL;
    for (size_t at = 0; at < all.size();) {
        size_t n = 1 + rng() % (rng() % 4 == 0 ? 600 : 6);
        if (n > all.size() - at)
            n = all.size() - at;
        std::vector<unsigned char> chunk(all.begin() + long(at), all.begin() + long(at + n));
        uint32_t jump = rng() % 500;
        t += jump == 0 ? -3600000 : jump == 1 ? 3600000 : Stamp(rng() % 41);
        r.add(chunk, t);
        at += n;
    }
}

TEST(ArrivalTimes, EveryByteThatCanBeginALineHasItsChunksTime)
{
    std::mt19937 rng(7);
    Received r;
    feed(r, rng, 300000);
    ASSERT_EQ(r.times.covered(), r.bytes.size());
    ArrivalTimes::Cursor walk(r.times);
    for (size_t o = 0; o < r.bytes.size(); ++o) {
        Stamp walked = walk.timeOf(uint32_t(o));
        if (!r.beginsLine(o))
            continue;
        ASSERT_EQ(walked, r.model[o]) << "offset " << o;
        if (o % 997 == 0) {
            ASSERT_EQ(r.times.timeOf(uint32_t(o)), r.model[o]) << "offset " << o;
        }
    }
    // A cursor also answers offsets out of order, and one past the end.
    ArrivalTimes::Cursor back(r.times);
    EXPECT_EQ(back.timeOf(200000), r.times.timeOf(200000));
    EXPECT_EQ(back.timeOf(8), r.model[8]);
    EXPECT_EQ(back.timeOf(uint32_t(r.bytes.size())), r.model.back());
}

TEST(ArrivalTimes, ClearForgetsAndStartsAgainFromOffsetZero)
{
    std::mt19937 rng(3);
    Received r;
    feed(r, rng, 5000);
    r.times.clear();
    EXPECT_EQ(r.times.covered(), 0u);
    EXPECT_EQ(r.times.timeOf(0), 0);
    const unsigned char line[] = "ok\r\n";
    r.times.add(line, 4, 42);
    r.times.add(line, 4, 99);
    EXPECT_EQ(r.times.timeOf(0), 42);
    EXPECT_EQ(r.times.timeOf(4), 99);
    EXPECT_EQ(r.times.covered(), 8u);
}

TEST(ArrivalTimes, HeadCutKeepsTheTimesOfWhatIsLeft)
{
    std::mt19937 rng(11);
    Received r;
    feed(r, rng, 40000);
    const uint32_t cut = 12345;
    r.times.cutHead(cut);
    ASSERT_EQ(r.times.covered(), r.bytes.size() - cut);
    EXPECT_EQ(r.times.timeOf(0), r.model[cut]);
    ArrivalTimes::Cursor walk(r.times);
    for (size_t o = cut; o < r.bytes.size(); ++o) {
        if (r.beginsLine(o)) {
            ASSERT_EQ(walk.timeOf(uint32_t(o - cut)), r.model[o]) << "offset " << o;
        }
    }
    r.times.cutHead(uint32_t(r.bytes.size()));
    EXPECT_EQ(r.times.covered(), 0u);
}

// The worst case for the notes: a slow line where every read returns one
// byte, each at a millisecond of its own.
struct SlowLine
{
    const char *name;
    double msPerByte;
    double mostPerByte;   // bytes of notes per byte received, at most
};

class ArrivalTimesCost : public ::testing::TestWithParam<SlowLine>
{
};

TEST_P(ArrivalTimesCost, OneBytePerReadStaysWellBelowTheHistory)
{
    std::mt19937 rng(5);
    std::vector<unsigned char> all = text(rng, 1 << 20);
    ArrivalTimes times;
    double t = 13000000000000.0;
    for (unsigned char b : all) {
        t += GetParam().msPerByte;
        times.add(&b, 1, Stamp(t));
    }
    double perByte = double(times.footprint()) / double(all.size());
    std::printf("[ figure   ] %s, one byte per read: %.3f bytes of times per byte received\n", GetParam().name,
                perByte);
    EXPECT_LE(perByte, GetParam().mostPerByte);
}

INSTANTIATE_TEST_SUITE_P(Lines, ArrivalTimesCost,
                         ::testing::Values(SlowLine{"115200 baud", 0.087, 0.25}, SlowLine{"9600 baud", 1.04, 0.3},
                                           SlowLine{"300 baud", 33.3, 0.5}));

} // namespace
