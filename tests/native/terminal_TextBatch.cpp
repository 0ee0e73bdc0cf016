#include <gtest/gtest.h>

#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "native/RefusingAllocator.h"
#include "terminal/receive/BatchSinks.h"
#include "terminal/receive/TextBatch.h"
#include "terminal/receive/TextDump.h"
#include "terminal/receive/TimedText.h"
#include "util/ByteHistory.h"
#include "util/PVect.h"

// The batch and the history ask for storage without exceptions; this stands
// in for an exhausted allocator when a test asks for it (as in util_PVect.cpp
// for the util tests), and otherwise takes the ordinary allocation.
void *operator new[](std::size_t size, const std::nothrow_t &) noexcept
{
    if (size >= refuseArraysFrom) {
        ++arraysRefused;
        return nullptr;
    }
    try {
        return ::operator new[](size);
    } catch (...) {
        return nullptr;
    }
}

namespace {

class Clock : public ByteTimes
{
public:
    int64_t timeOf(uint32_t index) override { return 1000 + index; }
};

// The timed layout of bytes, begun on a fresh line, as the view gets it.
std::string timedRender(const unsigned char *data, uint32_t n)
{
    TextBatch batch;
    BatchTextSink sink(batch, nullptr);
    TimedText timed;
    Clock clock;
    timed.render(sink, data, n, clock);
    return std::string(batch.text(), batch.length());
}

// As the view breaks lines: after a LF, and after a CR that no LF follows.
bool beginsLine(const std::vector<unsigned char> &b, uint32_t j)
{
    return j == 0 || b[j - 1] == '\n' || (b[j - 1] == '\r' && (j >= b.size() || b[j] != '\n'));
}

std::vector<unsigned char> repeated(const char *line, uint32_t times)
{
    std::vector<unsigned char> bytes;
    for (uint32_t i = 0; i < times; ++i)
        bytes.insert(bytes.end(), line, line + std::strlen(line));
    return bytes;
}

} // namespace

TEST(TextBatch, TakesPiecesAndKeepsThemNulTerminated)
{
    TextBatch batch;
    EXPECT_STREQ(batch.text(), "");
    std::string expected;
    for (int i = 0; i < 5000; ++i) {
        ASSERT_TRUE(batch.add("hello ", 6));
        expected += "hello ";
    }
    EXPECT_EQ(std::string(batch.text(), batch.length()), expected);
    EXPECT_EQ(batch.text()[batch.length()], '\0');
    EXPECT_FALSE(batch.refused());
}

TEST(TextBatch, ARefusedGrowthKeepsWhatItHeldAndTakesNothingMoreUntilCleared)
{
    TextBatch batch;
    ASSERT_TRUE(batch.add("abc", 3));
    {
        RefusingAllocator out(1);
        EXPECT_FALSE(batch.add(std::string(10000, 'x').c_str(), 10000));
        unsigned tries = out.refused();
        // Once refused it asks the allocator no more: a render under memory
        // pressure does not try again for every piece.
        EXPECT_FALSE(batch.add("d", 1));   // would fit the storage it has
        EXPECT_FALSE(batch.add(std::string(10000, 'y').c_str(), 10000));
        EXPECT_EQ(out.refused(), tries);
    }
    EXPECT_TRUE(batch.refused());
    EXPECT_EQ(std::string(batch.text(), batch.length()), "abc");
    batch.clear();
    EXPECT_TRUE(batch.add("ok", 2));
    EXPECT_EQ(std::string(batch.text()), "ok");
}

TEST(TextBatch, ALimitActsAsMemoryRunningOut)
{
    TextBatch batch;
    batch.setLimit(10);
    EXPECT_TRUE(batch.add("0123456789", 10));
    EXPECT_FALSE(batch.add("x", 1));
    EXPECT_TRUE(batch.refused());
    EXPECT_EQ(batch.length(), 10u);
}

// Show Time on a history of short lines: what a re-render shows is chosen
// so that it fits the view, whole lines when they can be.
TEST(TimedText, AReRenderStartsWhereTheViewKeepsTheRest)
{
    struct Case
    {
        const char *name;
        std::vector<unsigned char> bytes;
        uint32_t chars;
    };
    const Case cases[] = {
        {"short lines, CR LF", repeated("12\r\n", 5000), 4096},
        {"LF only", repeated("abc\n", 3000), 5000},
        {"lone CRs", repeated("x\r", 4000), 4096},
        {"CR LF split across the limit", repeated("hello\r\n", 900), 1000},
        {"everything fits", repeated("12\r\n", 10), 4096},
        {"one line longer than the view", repeated("z", 20000), 4096},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        uint32_t n = uint32_t(c.bytes.size());
        uint32_t from = TimedText::firstByteWithin(c.bytes.data(), n, c.chars);
        ASSERT_LE(from, n);
        std::string shown = timedRender(c.bytes.data() + from, n - from);
        EXPECT_LE(shown.size(), c.chars);
        if (from == 0)
            continue;
        // No more fits: one more line (or byte, inside a line) is too many.
        uint32_t before = from - 1;
        if (beginsLine(c.bytes, from))
            while (before > 0 && !beginsLine(c.bytes, before))
                --before;
        EXPECT_GT(timedRender(c.bytes.data() + before, n - before).size(), c.chars);
    }
    EXPECT_EQ(TimedText::firstByteWithin(nullptr, 0, 4096), 0u);
}

// The fault: a re-render collected its text in a vector that grew by
// doubling and threw when memory ran out, which ended the program and took
// the unsaved history with it. Now the render stops where memory ended, the
// history is untouched, and the refusal is reported once.
TEST(TextBatch, AReRenderThatFindsNoMemoryKeepsTheHistoryByteForByte)
{
    PVect<unsigned char> bytes(16384);
    ByteHistory history(bytes);
    std::vector<unsigned char> lines = repeated("12\r\n", 1 << 18);   // 1 MiB of short lines
    ASSERT_TRUE(history.append(lines.data(), uint32_t(lines.size())));
    std::vector<unsigned char> before(bytes.items(), bytes.items() + bytes.count());

    struct Layout
    {
        const char *name;
        bool timed;
    };
    for (const Layout &layout : {Layout{"Show Time", true}, Layout{"text", false}}) {
        SCOPED_TRACE(layout.name);
        uint32_t n = history.held();
        TextBatch batch;
        BatchTextSink sink(batch, nullptr);
        bool complete;
        {
            // Enough for the history, not for its rendering (4 MiB and more
            // with the times).
            RefusingAllocator out(512 * 1024);
            if (layout.timed) {
                TimedText timed;
                Clock clock;
                complete = timed.render(sink, bytes.items(), n, clock);
            } else {
                std::vector<char> scratch(size_t(n) + 1);
                complete = TextDump::renderLong(sink, bytes.items(), n, scratch.data());
            }
            // Refused a few times as the growth steps down, not once for
            // each of the quarter million lines put after it.
            EXPECT_GE(out.refused(), 1u);
            EXPECT_LE(out.refused(), 8u);
        }
        EXPECT_TRUE(batch.refused());
        if (layout.timed) {
            EXPECT_FALSE(complete);
            // What the batch holds is a true beginning of the render.
            std::string full = timedRender(bytes.items(), n);
            EXPECT_EQ(full.compare(0, batch.length(), batch.text(), batch.length()), 0);
        }
        ASSERT_EQ(bytes.count(), before.size());
        EXPECT_EQ(std::memcmp(bytes.items(), before.data(), before.size()), 0);
    }
}
