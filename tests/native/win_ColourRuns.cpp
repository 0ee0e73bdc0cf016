#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "win/ColourRuns.h"

namespace {

TextAttr colour(uint32_t fg, uint32_t bg = TextAttr::viewColour, uint8_t flags = 0)
{
    TextAttr a;
    a.fg = fg;
    a.bg = bg;
    a.flags = flags;
    return a;
}

// The plain model: one attribute per character.
struct Model
{
    std::vector<TextAttr> at;
    void append(size_t n, const TextAttr &a) { at.insert(at.end(), n, a); }
};

void expectSame(const ColourRuns &runs, const Model &m)
{
    for (size_t i = 0; i < m.at.size(); ++i)
        ASSERT_TRUE(runs.attrAt(i) == m.at[i]) << "at " << i;
    // The spans walk the text in as many steps as there are changes.
    size_t changes = 0;
    for (size_t i = 1; i < m.at.size(); ++i)
        changes += m.at[i] != m.at[i - 1];
    size_t steps = 0;
    for (size_t i = 0; i < m.at.size(); ++steps) {
        TextAttr a;
        size_t end = runs.spanAt(i, a);
        ASSERT_GT(end, i);
        for (size_t k = i; k < end && k < m.at.size(); ++k)
            ASSERT_TRUE(m.at[k] == a) << "span at " << i << ", character " << k;
        i = end;
    }
    EXPECT_LE(steps, changes + 2);
}

} // namespace

TEST(ColourRuns, PlainTextHasNoRunsAndTheDefaultAttribute)
{
    ColourRuns runs;
    ASSERT_TRUE(runs.setFrom(0, TextAttr()));
    ASSERT_TRUE(runs.setFrom(100, TextAttr()));
    EXPECT_TRUE(runs.empty());
    EXPECT_EQ(runs.bytesHeld(), 0u);
    EXPECT_TRUE(runs.attrAt(50).isDefault());
    TextAttr a = colour(1);
    EXPECT_EQ(runs.spanAt(7, a), SIZE_MAX);
    EXPECT_TRUE(a.isDefault());
}

TEST(ColourRuns, RunsFollowAppendsAndMergeWhereNothingChanges)
{
    ColourRuns runs;
    Model m;
    const TextAttr green = colour(0x00CD00), red = colour(0x0000CD, 0xFFFFFF, TextAttr::bold);
    struct Step { size_t n; TextAttr a; };
    const Step steps[] = {{5, TextAttr()}, {3, green}, {4, green}, {2, red}, {6, TextAttr()}, {1, green}};
    for (const Step &s : steps) {
        ASSERT_TRUE(runs.setFrom(m.at.size(), s.a));
        m.append(s.n, s.a);
    }
    expectSame(runs, m);
    EXPECT_EQ(runs.runCount(), 4u);
}

TEST(ColourRuns, CutsAtEitherEndKeepTheColoursOfWhatStays)
{
    ColourRuns runs;
    Model m;
    const TextAttr a = colour(0x123456), b = colour(0x654321, 0x00FF00, TextAttr::underline);
    for (int i = 0; i < 10; ++i) {
        ASSERT_TRUE(runs.setFrom(m.at.size(), i % 2 ? a : b));
        m.append(7, i % 2 ? a : b);
    }
    runs.eraseHead(10);
    m.at.erase(m.at.begin(), m.at.begin() + 10);
    expectSame(runs, m);
    runs.eraseTail(m.at.size() - 9);
    m.at.resize(m.at.size() - 9);
    expectSame(runs, m);
    // A cut that ends exactly where a run starts.
    runs.eraseHead(4);
    m.at.erase(m.at.begin(), m.at.begin() + 4);
    expectSame(runs, m);
}

TEST(ColourRuns, PaintAndReplaceInTheMiddleShiftWhatFollows)
{
    ColourRuns runs;
    Model m;
    const TextAttr a = colour(1), b = colour(2), hi = colour(TextAttr::viewColour, 0x00FFFF);
    for (int i = 0; i < 6; ++i) {
        ASSERT_TRUE(runs.setFrom(m.at.size(), i % 2 ? a : b));
        m.append(5, i % 2 ? a : b);
    }
    ASSERT_TRUE(runs.paint(7, 18, hi));
    std::fill(m.at.begin() + 7, m.at.begin() + 18, hi);
    expectSame(runs, m);
    ASSERT_TRUE(runs.replace(3, 10, 2));
    m.at.erase(m.at.begin() + 3, m.at.begin() + 13);
    m.at.insert(m.at.begin() + 3, 2, TextAttr());
    expectSame(runs, m);
}

TEST(ColourRuns, ABackgroundPaintedOverColouredTextKeepsItsColours)
{
    ColourRuns runs;
    Model m;
    const TextAttr a = colour(0xFF), b = colour(0xFF00, TextAttr::viewColour, TextAttr::bold);
    const TextAttr parts[] = {TextAttr(), a, b, TextAttr()};
    for (const TextAttr &p : parts) {
        ASSERT_TRUE(runs.setFrom(m.at.size(), p));
        m.append(4, p);
    }
    // From inside the first run to inside the last, and then all of it.
    ASSERT_TRUE(runs.paintBackground(2, 14, 0x00C0C0FF));
    for (size_t k = 2; k < 14; ++k)
        m.at[k].bg = 0x00C0C0FF;
    expectSame(runs, m);
    ASSERT_TRUE(runs.paintBackground(0, 16, 0x00D0D0D0));
    for (TextAttr &x : m.at)
        x.bg = 0x00D0D0D0;
    expectSame(runs, m);
    EXPECT_EQ(runs.attrAt(5).fg, 0xFFu);
}

// Random appends, cuts at both ends, paints and replacements against the
// model, with the starts wrapping past 2^32 through head cuts.
TEST(ColourRuns, RandomChangesAgreeWithThePlainModel)
{
    std::mt19937 rng(321);
    const TextAttr palette[] = {TextAttr(), colour(0xFF), colour(0xFF00, 0x333333), colour(0xFF0000, 0xFF, 3),
                                colour(TextAttr::viewColour, TextAttr::viewColour, TextAttr::reverse)};
    for (int round = 0; round < 40; ++round) {
        ColourRuns runs;
        Model m;
        if (round % 4 == 3) {
            // Far into the text's history: the stored starts wrap.
            runs.eraseHead(0xFFFFFF00u);
        }
        for (int step = 0; step < 300; ++step) {
            const TextAttr &a = palette[rng() % 5];
            size_t len = m.at.size();
            switch (rng() % 9) {
            case 0: case 1: case 2: case 3: {
                size_t n = 1 + rng() % 40;
                ASSERT_TRUE(runs.setFrom(len, a));
                m.append(n, a);
                break;
            }
            case 4: {
                size_t n = len ? rng() % (len + 1) : 0;
                runs.eraseHead(n);
                m.at.erase(m.at.begin(), m.at.begin() + long(n));
                if (m.at.empty())
                    runs.clear();
                break;
            }
            case 5: {
                size_t n = len ? rng() % (len / 4 + 1) : 0;
                runs.eraseTail(len - n);
                m.at.resize(len - n);
                break;
            }
            case 6: {
                size_t from = len ? rng() % len : 0, to = from + rng() % 30;
                if (to > len)
                    to = len;
                ASSERT_TRUE(runs.paint(from, to, a));
                std::fill(m.at.begin() + long(from), m.at.begin() + long(to), a);
                break;
            }
            case 7: {
                size_t from = len ? rng() % len : 0, to = from + rng() % 30;
                if (to > len)
                    to = len;
                uint32_t bg = rng() % 2 ? 0x00C0C0FF : 0x0080FFFF;
                ASSERT_TRUE(runs.paintBackground(from, to, bg));
                for (size_t k = from; k < to; ++k)
                    m.at[k].bg = bg;
                break;
            }
            default: {
                size_t pos = len ? rng() % len : 0, cut = rng() % 10, n = rng() % 10;
                if (cut > len - pos)
                    cut = len - pos;
                ASSERT_TRUE(runs.replace(pos, cut, n));
                m.at.erase(m.at.begin() + long(pos), m.at.begin() + long(pos + cut));
                m.at.insert(m.at.begin() + long(pos), n, TextAttr());
                break;
            }
            }
            ASSERT_NO_FATAL_FAILURE(expectSame(runs, m)) << "round " << round << " step " << step;
        }
    }
}

// A view full of coloured lines: each change costs at most 8 bytes, and a
// head cut gives the storage of the runs it took back.
TEST(ColourRuns, AColourChangeCostsAtMostEightBytes)
{
    ColourRuns runs;
    const TextAttr green = colour(0x00CD00);
    size_t len = 0;
    const size_t lines = 200000;
    for (size_t i = 0; i < lines; ++i) {
        ASSERT_TRUE(runs.setFrom(len, green));
        len += 60;
        ASSERT_TRUE(runs.setFrom(len, TextAttr()));
        len += 2;
    }
    EXPECT_EQ(runs.runCount(), 2 * lines);
    EXPECT_LE(runs.bytesHeld(), 8 * runs.runCount());
    runs.eraseHead(len / 2);
    EXPECT_LE(runs.bytesHeld(), 8 * runs.runCount() + sizeof(void *) * 256 + 64 * 1024);
}

// More distinct attributes than the table holds: those no longer shown make
// room, and every character keeps its own colour.
TEST(ColourRuns, AttributesNoLongerShownMakeRoomForNewOnes)
{
    ColourRuns runs;
    size_t len = 0;
    const uint32_t total = 3 * uint32_t(ColourRuns::maxAttrs);
    for (uint32_t c = 1; c <= total; ++c) {
        ASSERT_TRUE(runs.setFrom(len, colour(c)));
        len += 3;
        if (c % 1000 == 0) {
            // The view keeps only the last 1000 colours.
            size_t cut = len - 3000;
            runs.eraseHead(cut);
            len -= cut;
        }
    }
    for (uint32_t k = 0; k < 1000; ++k)
        ASSERT_EQ(runs.attrAt(len - 3 * (k + 1)).fg, total - k) << k;
}
