#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "tests/native/win_TextModel.h"
#include "win/TextLayout.h"
#include "win/TextStore.h"

using namespace textmodel;

TEST(TextStore, EmptyStoreIsOneEmptyLine)
{
    TextStore t;
    EXPECT_EQ(t.length(), 0u);
    EXPECT_STREQ(t.data(), "");
    EXPECT_EQ(t.lineCount(), 1u);
    EXPECT_EQ(t.lineStart(0), 0u);
    EXPECT_EQ(t.lineEnd(0), 0u);
    EXPECT_EQ(t.lineOf(0), 0u);
    EXPECT_EQ(t.lineOf(100), 0u);
}

TEST(TextStore, CrLfLoneCrAndLoneLfEachEndALine)
{
    TextStore t;
    append(t, "ab\r\ncd\ref\ngh");
    EXPECT_STREQ(t.data(), "ab\r\ncd\ref\ngh");
    EXPECT_EQ(t.length(), 12u);
    ASSERT_EQ(t.lineCount(), 4u);
    EXPECT_EQ(storeStarts(t), (std::vector<size_t>{0, 4, 7, 10}));
    EXPECT_EQ(t.lineEnd(0), 2u);
    EXPECT_EQ(t.lineEnd(1), 6u);
    EXPECT_EQ(t.lineEnd(2), 9u);
    EXPECT_EQ(t.lineEnd(3), 12u);
    EXPECT_EQ(t.lineOf(2), 0u);
    EXPECT_EQ(t.lineOf(3), 0u);
    EXPECT_EQ(t.lineOf(4), 1u);
    EXPECT_EQ(t.lineOf(12), 3u);
}

TEST(TextStore, LineEndsInARowAndATrailingLineEndGiveEmptyLines)
{
    TextStore t;
    append(t, "\n\r\r\n\n\r");
    EXPECT_EQ(storeStarts(t), scanStarts("\n\r\r\n\n\r"));
    EXPECT_EQ(t.lineCount(), 6u);
    EXPECT_EQ(t.lineEnd(5), 6u);
}

TEST(TextStore, CrLfSplitOverTwoAppendsIsOneLineEnd)
{
    TextStore t;
    append(t, "abc\r");
    EXPECT_EQ(t.lineCount(), 2u);
    append(t, "\ndef");
    EXPECT_EQ(storeStarts(t), (std::vector<size_t>{0, 5}));
    EXPECT_EQ(t.lineEnd(0), 3u);
    // And a CR LF split that the tail cut undoes and an append redoes.
    t.eraseTail(4);
    EXPECT_STREQ(t.data(), "abc\r");
    EXPECT_EQ(storeStarts(t), (std::vector<size_t>{0, 4}));
    append(t, "\n");
    EXPECT_EQ(storeStarts(t), (std::vector<size_t>{0, 5}));
}

TEST(TextStore, TailCutDropsTheLinesItTakes)
{
    TextStore t;
    append(t, "one\r\ntwo\r\nthree");
    t.eraseTail(7);
    EXPECT_STREQ(t.data(), "one\r\ntwo");
    EXPECT_EQ(storeStarts(t), (std::vector<size_t>{0, 5}));
    t.eraseTail(1000);
    EXPECT_STREQ(t.data(), "");
    EXPECT_EQ(t.lineCount(), 1u);
}

TEST(TextStore, HeadCutKeepsTheRestAndCountsTheLinesItTook)
{
    TextStore t;
    append(t, "one\r\ntwo\r\nthree\r\n");
    EXPECT_EQ(t.eraseHead(5), 1u);
    EXPECT_STREQ(t.data(), "two\r\nthree\r\n");
    EXPECT_EQ(storeStarts(t), (std::vector<size_t>{0, 5, 12}));
    // A cut inside a line: what is left of it is the first line.
    EXPECT_EQ(t.eraseHead(6), 1u);
    EXPECT_STREQ(t.data(), "hree\r\n");
    EXPECT_EQ(storeStarts(t), (std::vector<size_t>{0, 6}));
    // A cut between CR and LF leaves a lone LF, one line end as a scan sees it.
    EXPECT_EQ(t.eraseHead(5), 0u);
    EXPECT_STREQ(t.data(), "\n");
    EXPECT_EQ(storeStarts(t), (std::vector<size_t>{0, 1}));
    append(t, "x");
    EXPECT_EQ(t.eraseHead(100), 1u);
    EXPECT_EQ(t.length(), 0u);
    EXPECT_EQ(t.lineCount(), 1u);
}

TEST(TextStore, ReplaceInTheMiddleReindexesWhatFollows)
{
    TextStore t;
    append(t, "ab\r\ncd\r\nef");
    ASSERT_TRUE(t.replace(1, 5, "X\rY", 3));
    EXPECT_STREQ(t.data(), "aX\rY\r\nef");
    EXPECT_EQ(storeStarts(t), scanStarts("aX\rY\r\nef"));
    // Removing the LF of a CR LF in the middle turns the CR into a lone CR.
    ASSERT_TRUE(t.replace(5, 1, "", 0));
    EXPECT_STREQ(t.data(), "aX\rY\ref");
    EXPECT_EQ(storeStarts(t), scanStarts("aX\rY\ref"));
    // Offsets past the end are clamped.
    ASSERT_TRUE(t.replace(100, 100, "!", 1));
    EXPECT_STREQ(t.data(), "aX\rY\ref!");
    ASSERT_TRUE(t.assign("new", 3));
    EXPECT_STREQ(t.data(), "new");
    EXPECT_EQ(t.lineCount(), 1u);
}

TEST(TextStore, HeadCutsAndAppendsReuseTheRoomTheyLeave)
{
    TextStore t;
    std::string model;
    std::string line(33, 'x');
    line += "\r\n";
    for (int round = 0; round < 2000; ++round) {
        append(t, line);
        model += line;
        if (t.length() > 20000) {
            size_t cut = t.lineStart(100);
            EXPECT_EQ(t.eraseHead(cut), 100u);
            model.erase(0, cut);
        }
    }
    EXPECT_EQ(std::string(t.data(), t.length()), model);
    EXPECT_EQ(storeStarts(t), scanStarts(model));
    // The storage stays within a small multiple of what is kept.
    EXPECT_LT(t.bytesHeld(), 4 * 20000u + 64 * 1024);
}

// Growth that cannot be had must fail cleanly rather than abort the process.
extern "C" const char *__asan_default_options()
{
    return "allocator_may_return_null=1";
}

TEST(TextStore, GrowthThatFailsLeavesTextAndIndexAsTheyWere)
{
    TextStore t;
    append(t, "kept\r\ntext");
    const char small[] = "x";
    // Lengths no memory can hold: refused before the text is read.
    EXPECT_FALSE(t.append(small, SIZE_MAX / 2));
    EXPECT_FALSE(t.append(small, SIZE_MAX - 3));
    EXPECT_FALSE(t.reserve(SIZE_MAX / 2));
    EXPECT_FALSE(t.replace(2, 1, small, SIZE_MAX - 1));
    EXPECT_STREQ(t.data(), "kept\r\ntext");
    EXPECT_EQ(storeStarts(t), (std::vector<size_t>{0, 6}));
    append(t, "!");
    EXPECT_STREQ(t.data(), "kept\r\ntext!");
}


TEST(TextStore, LengthsNearTheAddressSpaceNeverWrapAfterAHeadCut)
{
    TextStore t;
    append(t, std::string(200, 'a'));
    t.eraseHead(150);
    const char small[] = "x";
    for (size_t n : {SIZE_MAX, SIZE_MAX - 1, SIZE_MAX - 60, SIZE_MAX - 200, SIZE_MAX / 2, SIZE_MAX / 2 - 49})
        EXPECT_FALSE(t.append(small, n)) << n;
    EXPECT_EQ(std::string(t.data(), t.length()), std::string(50, 'a'));
}

// The index of a view full of short lines: the store's line starts and the
// layout's rows, 4 bytes a line each, block overheads and growth room
// included. 64 Mi characters of "OK" lines are the view's whole scrollback.
TEST(TextIndexMemory, ShortLinesCostAtMostEightBytesEachAndClearGivesItBack)
{
    TextStore t;
    TextLayout l;
    l.setColumns(t, 40);
    std::string chunk;
    for (int i = 0; i < 2048; ++i)
        chunk += "OK\r\n";
    const size_t total = 64u * 1024 * 1024;
    for (size_t done = 0; done < total; done += chunk.size()) {
        ASSERT_TRUE(l.reserve(t.lineCount() + TextStore::lineEndsIn(chunk.data(), chunk.size())));
        size_t at = t.length();
        ASSERT_TRUE(t.append(chunk.data(), chunk.size()));
        ASSERT_TRUE(l.update(t, at));
    }
    size_t lines = t.lineCount() - 1;
    ASSERT_EQ(lines, total / 4);
    EXPECT_LE(double(t.indexBytesHeld() + l.bytesHeld()) / double(lines), 8.02) << "index bytes per line";
    EXPECT_EQ(l.rowCount(), lines + 1);
    t.clear();
    l.clear();
    EXPECT_LE(t.bytesHeld(), size_t(TextStore::keptOnClear));
    EXPECT_EQ(l.bytesHeld(), 0u);
}

// Line ends are looked for a word at a time: at every position of a word
// and across words, and never in bytes that only look like CR or LF in
// their low bits (0x8D, 0x8A) or sit next to them.
TEST(TextStore, LineEndsAreFoundAtEveryPlaceInAWord)
{
    const char lookalikes[] = {'\x8D', '\x8A', '\x0C', '\x0E', '\x09', '\x0B', '\x1D', 'M', 'J'};
    for (size_t len = 0; len <= 24; ++len) {
        for (size_t at = 0; at < len; ++at) {
            for (const char *end : {"\r", "\n", "\r\n"}) {
                std::string s(len, 'x');
                for (size_t i = 0; i < len; ++i)
                    s[i] = lookalikes[(i + at) % sizeof lookalikes];
                s.replace(at, std::strlen(end), end);
                s.resize(len);
                TextStore t;
                append(t, s);
                ASSERT_EQ(storeStarts(t), scanStarts(s)) << "length " << len << ", line end at " << at;
                size_t expected = 0;
                for (char c : s)
                    expected += c == '\r' || c == '\n';
                ASSERT_EQ(TextStore::lineEndsIn(s.data(), s.size()), expected) << len << " " << at;
            }
        }
    }
}
