#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "terminal/receive/LineHighlight.h"

namespace {

// The view's colours, one per character ('-' unlit, else the colour's digit).
struct Lit : LinePainter {
    std::string colours;
    void paint(uint32_t from, uint32_t to, unsigned colour) override
    {
        ASSERT_LT(from, to);
        if (colours.size() < to)
            colours.resize(to, '-');
        for (uint32_t i = from; i < to; ++i)
            colours[i] = char('0' + colour);
    }
};

// The text fed piece by piece, as chunks come; the lighting of each character.
std::string lightingOf(const std::vector<std::string> &pieces, uint32_t prefix = 0)
{
    HighlightRules rules;
    rules.add("ERROR", 5, true, 0);
    rules.add("warn", 4, false, 3);
    LineHighlight h;
    h.setRules(rules);
    Lit lit;
    std::string text;
    for (const std::string &p : pieces) {
        text += p;
        h.scan(text.data(), uint32_t(text.size()), prefix, lit);
    }
    lit.colours.resize(text.size(), '-');
    return lit.colours;
}

} // namespace

TEST(LineHighlight, ALineLightsAsSoonAsTheTextIsInItAndTheFirstRuleWins)
{
    struct Case { std::vector<std::string> pieces; uint32_t prefix; std::string lit; };
    const Case cases[] = {
        // In the middle of a line, lit whole, its line end too.
        {{"ab ERROR cd\r\nok\r\n"}, 0, "0000000000000----"},
        // Cut between two chunks, and lit before the line ends.
        {{"x ERR", "OR y"}, 0, "000000000"},
        // A later rule lights the line; an earlier one that comes later wins it.
        {{"WARN then ", "ERROR\n"}, 0, "0000000000000000"},
        {{"Warn\nerror\n"}, 0, "33333------"},
        // A lone CR ends a line; a CR at the end waits for its LF.
        {{"warn\rno\r", "\nyes"}, 0, "33333-------"},
        // The time before a line is not looked into.
        {{"ERROR ok\n012345ERROR\n"}, 6, "---------000000000000"},
        // No line end: the lighting grows with the line.
        {{"warn", "ing", " more"}, 0, "333333333333"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(lightingOf(c.pieces, c.prefix), c.lit) << c.pieces[0];
}

TEST(LineHighlight, LineEndsShownAsDotsAreTakenFromWhatTheTextStandsFor)
{
    HighlightRules rules;
    rules.add("bad", 3, true, 6);
    LineHighlight h;
    h.setRules(rules);
    Lit lit;
    std::string text = "ok..bad..ok";
    std::string ends = "ok\r\nbad\r\nok";
    h.scan(text.data(), uint32_t(text.size()), 0, lit, ends.data(), 0);
    lit.colours.resize(text.size(), '-');
    EXPECT_EQ(lit.colours, "----66666--");
    // After a cut from the top the offsets follow the view.
    h.cutHead(4);
    text = text.substr(4) + "bad";
    h.scan(text.data(), uint32_t(text.size()), 0, lit);
    EXPECT_EQ(lit.colours.substr(7, 3), "666");
}
