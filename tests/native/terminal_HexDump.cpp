#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "terminal/receive/HexDump.h"

namespace {

std::string line(const std::vector<unsigned char> &bytes, uint32_t number)
{
    char out[HexDump::lineBufferSize];
    uint32_t n = HexDump::formatHexLine(bytes.data(), uint32_t(bytes.size()), number, out);
    EXPECT_EQ(n, std::string(out).size());
    return std::string(out, n);
}

// A receive view held in a string, with the history the terminal keeps.
struct ModelView : HexSink {
    std::string text;
    std::vector<unsigned char> history;
    uint32_t lines = 0;
    int abortAfter = -1;  // lines to accept before aborting, -1 = never
    std::vector<uint32_t> firstBytes;

    void eraseTail(uint32_t chars) override
    {
        ASSERT_LE(chars, text.size());
        text.erase(text.size() - chars);
    }
    bool putLine(const char *t, uint32_t length, uint32_t firstByte) override
    {
        text.append(t, length);
        firstBytes.push_back(firstByte);
        if (abortAfter < 0)
            return true;
        return --abortAfter > 0;
    }
    void receive(const std::vector<unsigned char> &chunk)
    {
        HexDump::renderChunk(*this, history.data(), uint32_t(history.size()), chunk.data(),
                             uint32_t(chunk.size()), uint32_t(text.size()), &lines);
        history.insert(history.end(), chunk.begin(), chunk.end());
    }
};

std::vector<unsigned char> bytesOf(const std::string &s) { return std::vector<unsigned char>(s.begin(), s.end()); }

} // namespace

TEST(HexDump, FullLineIsThirtyFourCharacters)
{
    std::string l = line(bytesOf("ABCDEFGH"), 0);
    EXPECT_EQ(l, "000000 4142434445464748 ABCDEFGH\r\n");
    EXPECT_EQ(l.size(), 34u);
}

TEST(HexDump, ShortLinePadsMissingBytesWithTwoSpacesEach)
{
    std::string l = line({0x41, 0x42, 0x0D}, 0);
    EXPECT_EQ(l, "000000 41420D" + std::string(10, ' ') + " AB.\r\n");
    EXPECT_EQ(l.size(), 29u);
}

TEST(HexDump, LabelIsTheOffsetOfTheFirstByteInUpperCaseHex)
{
    EXPECT_EQ(line({1}, 1).substr(0, 7), "000008 ");
    EXPECT_EQ(line({1}, 0x1F).substr(0, 7), "0000F8 ");
    EXPECT_EQ(line({1}, 0x1FFFFF).substr(0, 7), "FFFFF8 ");
}

TEST(HexDump, LabelKeepsSixDigitsPastSixteenMebibytes)
{
    EXPECT_EQ(line({1}, 0x200000).substr(0, 7), "000000 ");
    EXPECT_EQ(line(bytesOf("12345678"), 0x200001).size(), 34u);
}

TEST(HexDump, ControlCharactersAndDelShowAsDotsHighBytesUnchanged)
{
    std::string l = line({0x00, 0x1F, 0x20, 0x7E, 0x7F, 0x80, 0xFF, 0x0A}, 0);
    EXPECT_EQ(l.substr(7, 16), "001F207E7F80FF0A");
    EXPECT_EQ(l.substr(24, 8), std::string("..") + " ~." + "\x80\xFF" + ".");
}

TEST(HexDump, LineLengthIsTwentySixPlusCountForShortLines)
{
    for (uint32_t n = 1; n < 8; ++n)
        EXPECT_EQ(HexDump::lineLength(n), 26u + n);
    EXPECT_EQ(HexDump::lineLength(8), 34u);
}

TEST(HexDump, TailBytesFindsTheShortLineOfAViewOfHexLines)
{
    EXPECT_EQ(HexDump::tailBytes(0, 0, 0), 0u);
    EXPECT_EQ(HexDump::tailBytes(28, 1, 2), 2u);
    EXPECT_EQ(HexDump::tailBytes(34, 1, 8), 0u);
    EXPECT_EQ(HexDump::tailBytes(34 + 33, 2, 15), 7u);
}

TEST(HexDump, TailBytesRefusesLengthsThatAreNotHexLines)
{
    // 0 < r <= 26 can not end in a hex line: a fresh line, nothing erased.
    for (uint32_t r = 1; r <= 26; ++r)
        EXPECT_EQ(HexDump::tailBytes(34 + r, 2, 100), 0u) << r;
    // Length and line count disagree (for example a control counting CR LF as one).
    EXPECT_EQ(HexDump::tailBytes(28, 2, 10), 0u);
    // The history is shorter than the line claims.
    EXPECT_EQ(HexDump::tailBytes(33, 1, 3), 0u);
    EXPECT_EQ(HexDump::tailBytes(30, 0, 10), 0u);
}

// Two chunks received one after the other, and the view they leave.
struct TwoChunks
{
    const char *label;
    const char *first;
    const char *second;
    std::string text;
    uint32_t lines;
};

class HexDumpChunks : public testing::TestWithParam<TwoChunks>
{
};

TEST_P(HexDumpChunks, ContinueTheLastLine)
{
    const TwoChunks &c = GetParam();
    ModelView v;
    v.receive(bytesOf(c.first));
    v.receive(bytesOf(c.second));
    EXPECT_EQ(v.text, c.text);
    EXPECT_EQ(v.lines, c.lines);
}

INSTANTIATE_TEST_SUITE_P(
    HexDump, HexDumpChunks,
    testing::Values(TwoChunks{"ABThenCContinueOneLine", "AB", "C", "000000 414243" + std::string(11, ' ') + "ABC\r\n", 1},
                    TwoChunks{"EightThenThreeBytesGiveTwoLabelledLines", "ABCDEFGH", "IJK",
                              "000000 4142434445464748 ABCDEFGH\r\n000008 494A4B" + std::string(10, ' ') + " IJK\r\n",
                              2}),
    [](const testing::TestParamInfo<TwoChunks> &info) { return std::string(info.param.label); });

TEST(HexDump, TenBytesInOneChunkGiveAFullAndATwoByteLine)
{
    ModelView v;
    v.receive(bytesOf("0123456789"));
    ASSERT_EQ(v.text.size(), 34u + 28u);
    EXPECT_EQ(v.text.substr(34, 7), "000008 ");
    EXPECT_EQ(v.lines, 2u);
}

TEST(HexDump, ContinuedLineReportsFirstNewByteAsProgress)
{
    ModelView v;
    v.receive(bytesOf("ABC"));
    v.firstBytes.clear();
    v.receive(bytesOf("DEFGHIJKLMN"));
    EXPECT_EQ(v.firstBytes, (std::vector<uint32_t>{0, 5}));
}

TEST(HexDump, AbortStopsAfterTheLineAndCountsIt)
{
    ModelView v;
    v.abortAfter = 2;
    std::vector<unsigned char> data(40, 'x');
    EXPECT_FALSE(HexDump::renderChunk(v, nullptr, 0, data.data(), 40, 0, &v.lines));
    EXPECT_EQ(v.lines, 2u);
    EXPECT_EQ(v.text.size(), 68u);
}

TEST(HexDump, AfterAnAbortedRenderTheNextChunkStartsAFreshLineWithoutLoss)
{
    ModelView v;
    v.abortAfter = 1;
    std::vector<unsigned char> first(20, 'a');
    HexDump::renderChunk(v, nullptr, 0, first.data(), 20, 0, &v.lines);
    v.history = first;
    v.abortAfter = -1;
    std::string before = v.text;
    v.receive(bytesOf("Z"));
    // Nothing already shown was erased.
    EXPECT_EQ(v.text.substr(0, before.size()), before);
    EXPECT_EQ(v.text.substr(before.size()), line({'Z'}, 1));
}

TEST(HexDump, ViewNotEndingInAHexLineKeepsItsTextAndHistory)
{
    ModelView v;
    v.text = "hello";  // not hex lines at all
    v.history = bytesOf("hello");
    v.receive(bytesOf("AB"));
    EXPECT_EQ(v.text, "hello" + line(bytesOf("AB"), 0));
    EXPECT_EQ(v.history.size(), 7u);
}

TEST(HexDump, AnySplitRendersLikeTheWholeSequence)
{
    std::mt19937 rng(1234);
    for (int round = 0; round < 300; ++round) {
        size_t total = rng() % 200;
        std::vector<unsigned char> all(total);
        for (auto &b : all)
            b = (unsigned char)(rng() & 0xFF);
        ModelView whole;
        whole.receive(all);
        ModelView split;
        size_t at = 0;
        while (at < total) {
            size_t n = 1 + rng() % 20;
            if (n > total - at)
                n = total - at;
            split.receive(std::vector<unsigned char>(all.begin() + long(at), all.begin() + long(at + n)));
            at += n;
        }
        ASSERT_EQ(split.text, whole.text) << "round " << round;
        ASSERT_EQ(split.lines, whole.lines);
        ASSERT_EQ(whole.lines, (total + 7) / 8);
    }
}

TEST(HexDump, ByteByByteRenderingMatchesWholeForEveryLength)
{
    for (size_t total = 1; total <= 40; ++total) {
        std::vector<unsigned char> all;
        for (size_t i = 0; i < total; ++i)
            all.push_back((unsigned char)(i * 37));
        ModelView whole, bytes;
        whole.receive(all);
        for (unsigned char b : all)
            bytes.receive({b});
        ASSERT_EQ(bytes.text, whole.text) << total;
    }
}

TEST(HexDump, TailBytesCountsOnlyTheLinesStillInTheView)
{
    // Lines 0..9 written, 0..6 cut from the top: 2 full lines and a short one.
    EXPECT_EQ(HexDump::tailBytes(34 * 2 + 29, 10, 100, 7), 3u);
    // Without the cut lines the length does not add up: a fresh line.
    EXPECT_EQ(HexDump::tailBytes(34 * 2 + 29, 10, 100, 0), 0u);
    // More lines cut than written: nothing to vouch for.
    EXPECT_EQ(HexDump::tailBytes(29, 3, 100, 5), 0u);
}
