#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "terminal/receive/HexDump.h"
#include "terminal/receive/Scrollback.h"

namespace {

std::string dump(const std::vector<unsigned char> &bytes, uint32_t firstLine = 0)
{
    std::string out;
    char line[HexDump::lineBufferSize];
    for (size_t i = size_t(firstLine) * 8; i < bytes.size(); i += 8) {
        size_t n = bytes.size() - i < 8 ? bytes.size() - i : 8;
        out.append(line, HexDump::formatHexLine(bytes.data() + i, uint32_t(n), uint32_t(i / 8), line));
    }
    return out;
}

// A hex view in a string that keeps a scrollback the way the terminal does:
// after each chunk its top is cut by what hexCut says.
struct BoundedHexView : HexSink {
    explicit BoundedHexView(uint32_t limit) : scrollback(limit) {}
    Scrollback scrollback;
    std::string text;
    std::vector<unsigned char> history;
    uint32_t lines = 0;
    uint32_t cutLines = 0;
    uint32_t erased = 0;

    void eraseTail(uint32_t chars) override
    {
        ASSERT_LE(chars, text.size());
        text.erase(text.size() - chars);
        erased += chars;
    }
    bool putLine(const char *t, uint32_t length, uint32_t) override
    {
        text.append(t, length);
        return true;
    }
    void receive(const unsigned char *chunk, uint32_t n)
    {
        HexDump::renderChunk(*this, history.data(), uint32_t(history.size()), chunk, n, uint32_t(text.size()),
                             &lines, cutLines);
        history.insert(history.end(), chunk, chunk + n);
        uint32_t cut = scrollback.hexCut(uint32_t(text.size()));
        ASSERT_EQ(cut % HexDump::fullLineChars, 0u);
        ASSERT_LE(cut, text.size());
        text.erase(0, cut);
        cutLines += cut / HexDump::fullLineChars;
    }
};

} // namespace

TEST(Scrollback, LimitHasAFloorAboveAShortRender)
{
    Scrollback s(10);
    EXPECT_EQ(s.limit(), uint32_t(Scrollback::minimumLimit));
    EXPECT_GT(s.keepChars(), 1024u);
    s.setLimit(100000);
    EXPECT_EQ(s.limit(), 100000u);
    EXPECT_EQ(s.keepChars(), 50000u);
}

TEST(Scrollback, NothingIsCutWithinTheLimit)
{
    Scrollback s(100000);
    EXPECT_EQ(s.hexCut(0), 0u);
    EXPECT_EQ(s.hexCut(100000), 0u);
    EXPECT_EQ(s.textCut(100000), 0u);
}

TEST(Scrollback, AHexCutTakesWholeLinesDownToWhatIsKept)
{
    Scrollback s(100000);
    for (uint32_t t = 100001; t < 100001 + 200; ++t) {
        uint32_t cut = s.hexCut(t);
        EXPECT_EQ(cut % 34, 0u) << t;
        EXPECT_LE(t - cut, s.keepChars()) << t;
        EXPECT_GT(t - cut + 34, s.keepChars()) << t;
    }
}

TEST(Scrollback, ATextCutLeavesWhatIsKept)
{
    Scrollback s(100000);
    EXPECT_EQ(s.textCut(100001), 100001u - 50000u);
}

TEST(Scrollback, AHistoryRenderStartsWhereItsLinesFit)
{
    Scrollback s(100000);
    uint32_t fit = s.limit() / 34;
    EXPECT_EQ(s.firstHexLine(0), 0u);
    EXPECT_EQ(s.firstHexLine(fit * 8), 0u);
    EXPECT_EQ(s.firstHexLine(fit * 8 + 1), 1u);
    // A mebibyte: its last lines, the short one included, fit what is kept.
    uint32_t first = s.firstHexLine(1u << 20);
    EXPECT_EQ(first, (1u << 17) - fit);
    std::vector<unsigned char> bytes((1u << 20) + 3, 'x');
    uint32_t firstOdd = s.firstHexLine(uint32_t(bytes.size()));
    EXPECT_LE(dump(bytes, firstOdd).size(), s.limit());
    EXPECT_GT(dump(bytes, firstOdd).size() + 34, s.limit());
    EXPECT_EQ(s.firstTextByte(1000), 0u);
    EXPECT_EQ(s.firstTextByte(100000), 0u);
    EXPECT_EQ(s.firstTextByte(1u << 20), (1u << 20) - s.limit());
}

TEST(Scrollback, ByDefaultAHexHistoryOf15MiBShowsWhole)
{
    Scrollback s;
    EXPECT_EQ(s.limit(), 64u * 1024u * 1024u);
    uint32_t bytes = 15u << 20;
    EXPECT_EQ(s.firstHexLine(bytes), 0u);
    EXPECT_EQ(s.hexCut((bytes / 8) * 34), 0u);
    EXPECT_GT(s.firstHexLine(16u << 20), 0u);
}

TEST(Scrollback, AShortLineStillContinuesAfterTheTopWasCut)
{
    // 4096 characters keep 2048: 120 full lines make 4080, three more bytes
    // pass the limit and the view is cut while it ends in a short line.
    BoundedHexView v(4096);
    std::vector<unsigned char> bytes;
    for (int i = 0; i < 120 * 8 + 3 + 4; ++i)
        bytes.push_back((unsigned char)('A' + i % 26));
    v.receive(bytes.data(), 120 * 8);
    v.receive(bytes.data() + 960, 3);
    ASSERT_GT(v.cutLines, 0u);
    v.receive(bytes.data() + 963, 4);
    EXPECT_GT(v.erased, 0u) << "the short line was rebuilt, not left behind";
    EXPECT_EQ(v.text, dump(bytes, v.cutLines));
    EXPECT_EQ(v.lines, 121u);
}

TEST(Scrollback, AnySplitOfAFloodLeavesTheTailOfOneDump)
{
    std::mt19937 rng(7);
    for (int round = 0; round < 20; ++round) {
        BoundedHexView v(4096 + rng() % 5000);
        std::vector<unsigned char> bytes(5000 + rng() % 20000);
        for (auto &b : bytes)
            b = (unsigned char)rng();
        for (size_t at = 0; at < bytes.size();) {
            uint32_t n = 1 + rng() % 511;
            if (n > bytes.size() - at)
                n = uint32_t(bytes.size() - at);
            v.receive(bytes.data() + at, n);
            at += n;
            ASSERT_LE(v.text.size(), v.scrollback.limit());
        }
        ASSERT_GT(v.cutLines, 0u);
        EXPECT_EQ(v.text, dump(bytes, v.cutLines)) << round;
        EXPECT_EQ(v.lines, (bytes.size() + 7) / 8);
    }
}
