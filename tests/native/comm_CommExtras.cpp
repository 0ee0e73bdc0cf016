#include <gtest/gtest.h>

#include "comm/CommExtras.h"
#include "comm/LineConfig.h"

namespace {

CommSettings withPortIndex(unsigned index)
{
    CommSettings s;
    s.portIndex = index;
    return s;
}

CommSettings withHandshake(unsigned dtrDsr, unsigned rtsCts, unsigned xonXoff)
{
    CommSettings s;
    s.dtrDsrMode = dtrDsr;
    s.rtsCtsMode = rtsCts;
    s.xonXoff = xonXoff;
    return s;
}

} // namespace

// A stored extra port counts only beside a word whose port field holds its
// last index, and only when it names a port beyond the word's reach.
TEST(CommExtras, AStoredPortCountsOnlyInRangeAndWithTheWordsLastIndex)
{
    struct Case { unsigned wordIndex; uint32_t stored; unsigned expected; };
    const Case cases[] = {
        {15, 200, 200}, {15, 17, 17},   {15, 256, 256}, {15, 16, 16},  {15, 5, 16},
        {15, 0, 16},    {15, 257, 16},  {15, 0xFFFFFFFFu, 16},         {9, 200, 10},
        {1, CommExtras::noPort, 2},     {8, CommExtras::noPort, 9},
    };
    for (const Case &c : cases) {
        CommExtras e;
        e.port = c.stored;
        CommSettings word = withPortIndex(c.wordIndex);
        EXPECT_EQ(e.portNumber(word), c.expected) << "index " << c.wordIndex << ", stored " << c.stored;
        EXPECT_EQ(e.effective(word).port, c.expected >= 17 ? c.stored : CommExtras::noPort);
    }
}

TEST(CommExtras, ChoosingAPortKeepsItInTheWordUpToCom16AndBesideItBeyond)
{
    const unsigned numbers[] = {1, 8, 9, 16, 17, 200, 256};
    for (unsigned n : numbers) {
        CommSettings word = withPortIndex(3);
        CommExtras e;
        e.port = 123;   // a stale value from before
        e.setPort(word, n);
        EXPECT_EQ(e.portNumber(word), n);
        EXPECT_EQ(word.portIndex, n <= 16 ? n - 1 : 15u) << n;
        EXPECT_EQ(e.port, n <= 16 ? CommExtras::noPort : n) << n;
        // The rest of the word stays.
        EXPECT_EQ(word.toWord() & ~0xFu, CommSettings().toWord() & ~0xFu);
    }
    CommSettings word = withPortIndex(3);
    CommExtras e;
    e.setPort(word, 0);
    e.setPort(word, 257);
    EXPECT_EQ(e.portNumber(word), 4u);
}

// What each choice asks of the line: the lines it does not hand to a
// handshake are raised, and nothing waits on a line no choice names.
TEST(CommExtras, EachFlowChoiceReachesTheLineConfigurationAndReadsBack)
{
    struct Case
    {
        CommExtras::Flow flow;
        const char *label;
        unsigned dtrDsr, rtsCts, xonXoff;   // what the word holds
        bool keptBeside;
        uint8_t dsrFlow, dtrControl, ctsFlow, rtsControl;
    };
    const uint8_t on = LineConfig::dtrControlEnable, hs = LineConfig::dtrControlHandshake;
    const Case cases[] = {
        {CommExtras::flowNone, "None", 0, 0, 0, true, 0, on, 0, on},
        {CommExtras::flowXonXoff, "XON/XOFF", 0, 0, 1, true, 0, on, 0, on},
        {CommExtras::flowRtsCts, "RTS/CTS", 0, 2, 0, true, 0, on, 1, hs},
        {CommExtras::flowDtrDsr, "DTR/DSR", 2, 0, 0, true, 1, hs, 0, on},
        {CommExtras::flowBoth, "RTS/CTS and DTR/DSR", 2, 2, 0, false, 1, hs, 1, hs},
    };
    for (const Case &c : cases) {
        CommSettings word = withHandshake(1, 3, 1);
        CommExtras e;
        e.setFlow(word, c.flow);
        EXPECT_STREQ(CommExtras::flowLabel(c.flow), c.label);
        EXPECT_EQ(e.flowOf(word), c.flow) << c.label;
        EXPECT_EQ(word.dtrDsrMode, c.dtrDsr) << c.label;
        EXPECT_EQ(word.rtsCtsMode, c.rtsCts) << c.label;
        EXPECT_EQ(word.xonXoff, c.xonXoff) << c.label;
        EXPECT_EQ(e.effective(word).flow, c.keptBeside ? uint32_t(c.flow) : CommExtras::noFlow) << c.label;
        LineConfig config;
        ASSERT_TRUE(config.build(word, e));
        EXPECT_EQ(config.fOutxDsrFlow, c.dsrFlow) << c.label;
        EXPECT_EQ(config.fDtrControl, c.dtrControl) << c.label;
        EXPECT_EQ(config.fOutxCtsFlow, c.ctsFlow) << c.label;
        EXPECT_EQ(config.fRtsControl, c.rtsControl) << c.label;
        EXPECT_EQ(config.fOutX, c.xonXoff) << c.label;
        EXPECT_EQ(config.fInX, c.xonXoff) << c.label;
    }
    EXPECT_EQ(CommExtras::flowLabel(CommExtras::flowCount), nullptr);
}

// A word whose handshake fields no choice names, or a stored choice that
// does not match them, is applied as the word alone says.
TEST(CommExtras, AnUnnamedHandshakeIsAppliedAsTheWordSaysAndDescribed)
{
    struct Case { unsigned dtrDsr, rtsCts, xonXoff; uint32_t stored; const char *text; };
    const Case cases[] = {
        {0, 0, 0, CommExtras::noFlow, "DTR off, RTS off"},
        {1, 3, 1, CommExtras::noFlow, "DTR on, DSR, RTS toggle, XON/XOFF"},
        {0, 0, 0, CommExtras::flowRtsCts, "DTR off, RTS off"},
        {3, 2, 0, CommExtras::flowNone, "DTR as is, RTS/CTS"},
        {0, 0, 0, CommExtras::flowBoth, "DTR off, RTS off"},
        {0, 0, 0, 7, "DTR off, RTS off"},
    };
    for (const Case &c : cases) {
        CommSettings word = withHandshake(c.dtrDsr, c.rtsCts, c.xonXoff);
        CommExtras e;
        e.flow = c.stored;
        EXPECT_EQ(e.flowOf(word), CommExtras::flowUnnamed) << c.text;
        EXPECT_FALSE(e.raisesIdleLines(word)) << c.text;
        EXPECT_EQ(e.effective(word).flow, CommExtras::noFlow) << c.text;
        char text[64];
        CommExtras::describeHandshake(word, text, sizeof text);
        EXPECT_STREQ(text, c.text);
        LineConfig withExtras, alone;
        ASSERT_TRUE(withExtras.build(word, e));
        ASSERT_TRUE(alone.build(word));
        EXPECT_EQ(withExtras.setDtrDsr, alone.setDtrDsr) << c.text;
        EXPECT_EQ(withExtras.fOutxDsrFlow, alone.fOutxDsrFlow) << c.text;
        EXPECT_EQ(withExtras.fDtrControl, alone.fDtrControl) << c.text;
        EXPECT_EQ(withExtras.fOutxCtsFlow, alone.fOutxCtsFlow) << c.text;
        EXPECT_EQ(withExtras.fRtsControl, alone.fRtsControl) << c.text;
        EXPECT_EQ(withExtras.fOutX, alone.fOutX) << c.text;
    }
    // A stored None beside the default word's fields is stale: the word wins.
    CommExtras stale;
    stale.flow = CommExtras::flowNone;
    EXPECT_EQ(stale.flowOf(CommSettings()), CommExtras::flowBoth);
    char small[8] = "x";
    CommExtras::describeHandshake(withHandshake(1, 3, 1), small, sizeof small);
    EXPECT_STREQ(small, "");
}
