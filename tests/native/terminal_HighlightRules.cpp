#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "terminal/receive/HighlightRules.h"

namespace {

bool add(HighlightRules &r, const std::string &text, bool matchCase, unsigned colour)
{
    return r.add(text.data(), text.size(), matchCase, colour);
}

int match(const HighlightRules &r, const std::string &line)
{
    return r.match(line.data(), line.size());
}

} // namespace

TEST(HighlightRules, TheFirstRuleALineHoldsWinsAnywhereInTheLine)
{
    HighlightRules r;
    ASSERT_TRUE(add(r, "ERROR", true, 0));
    ASSERT_TRUE(add(r, "warn", false, 1));
    ASSERT_TRUE(add(r, "boot", false, 2));
    struct Case { const char *line; int rule; };
    const Case cases[] = {
        {"E (1234) wifi: ERROR connecting", 0},
        {"error in lower case", -1},
        {"W: WARNING low battery", 1},
        {"boot: WARN and ERROR both", 0},  // the first rule, not the first in the line
        {"Booting", 2},
        {"ERRO", -1},
        {"", -1},
        {"tail ERROR", 0},
    };
    for (const Case &c : cases)
        EXPECT_EQ(match(r, c.line), c.rule) << c.line;
}

TEST(HighlightRules, BadRulesAreRefusedAndEightIsTheMost)
{
    HighlightRules r;
    EXPECT_FALSE(add(r, "", true, 0));
    EXPECT_FALSE(add(r, std::string(65, 'x'), true, 0));
    EXPECT_FALSE(add(r, "tab\there", true, 0));
    EXPECT_FALSE(add(r, "ok", true, 8));
    EXPECT_TRUE(add(r, std::string(64, 'x'), true, 7));
    for (unsigned i = 1; i < 8; ++i)
        EXPECT_TRUE(add(r, "r" + std::to_string(i), false, i));
    EXPECT_FALSE(add(r, "ninth", true, 0));
    EXPECT_EQ(r.count(), 8u);
}

TEST(HighlightRules, TheRegistryFormReadsBackAndAForeignValueIsIgnored)
{
    HighlightRules r;
    ASSERT_TRUE(add(r, "ERROR", true, 0));
    ASSERT_TRUE(add(r, "a;b:c HR1:", false, 5));
    ASSERT_TRUE(add(r, std::string(64, 'z'), false, 7));
    char stored[HighlightRules::registryChars];
    size_t n = r.toRegistry(stored);
    EXPECT_EQ(std::string(stored, 4 + 4 + 5), "HR1:c005ERROR");
    HighlightRules back;
    ASSERT_TRUE(back.fromRegistry(stored, n));
    ASSERT_EQ(back.count(), 3u);
    char again[HighlightRules::registryChars];
    EXPECT_EQ(std::string(again, back.toRegistry(again)), std::string(stored, n));
    EXPECT_TRUE(back.fromRegistry("HR1:", 4));
    EXPECT_EQ(back.count(), 0u);

    // Anything else leaves the rules as they were.
    ASSERT_TRUE(back.fromRegistry(stored, n));
    const char *foreign[] = {
        "", "HR2:c005ERROR", "HR1:x005ERROR", "HR1:c805ERROR", "HR1:c0a5ERROR", "HR1:c006ERROR",
        "HR1:c004ERROR", "HR1:c000", "HR1:c0", "HR1:c001\x01", "hello",
    };
    for (const char *v : foreign) {
        EXPECT_FALSE(back.fromRegistry(v, std::strlen(v))) << v;
        EXPECT_EQ(back.count(), 3u) << v;
    }
    std::string nine = "HR1:";
    for (int i = 0; i < 9; ++i)
        nine += "i101x";
    EXPECT_FALSE(back.fromRegistry(nine.data(), nine.size()));
    // The longest form fits the room given for it.
    HighlightRules full;
    for (unsigned i = 0; i < 8; ++i)
        ASSERT_TRUE(add(full, std::string(64, char('a' + i)), true, i));
    char longest[HighlightRules::registryChars];
    EXPECT_EQ(full.toRegistry(longest), HighlightRules::registryChars - 1);
}
