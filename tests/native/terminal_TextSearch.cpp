#include <gtest/gtest.h>

#include <random>
#include <string>

#include "terminal/find/TextSearch.h"

namespace {

const size_t npos = TextSearch::npos;

const unsigned char *asciiTable()
{
    static unsigned char table[256];
    static bool made = false;
    if (!made) {
        TextSearch::asciiFold(table);
        made = true;
    }
    return table;
}

TextSearch search(const std::string &pattern, bool matchCase)
{
    return TextSearch(pattern.data(), pattern.size(), matchCase ? nullptr : asciiTable());
}

bool sameAt(const std::string &text, size_t at, const std::string &pattern, bool matchCase)
{
    for (size_t i = 0; i < pattern.size(); ++i) {
        unsigned char a = (unsigned char)text[at + i], b = (unsigned char)pattern[i];
        if (!matchCase) {
            a = asciiTable()[a];
            b = asciiTable()[b];
        }
        if (a != b)
            return false;
    }
    return true;
}

// The plain model: every start tried in turn.
size_t modelForward(const std::string &text, const std::string &pattern, size_t from, bool matchCase)
{
    if (pattern.empty() || from > text.size())
        return npos;
    for (size_t at = from; at + pattern.size() <= text.size(); ++at)
        if (sameAt(text, at, pattern, matchCase))
            return at;
    return npos;
}

size_t modelBackward(const std::string &text, const std::string &pattern, size_t to, bool matchCase)
{
    if (to > text.size())
        to = text.size();
    if (pattern.empty() || to < pattern.size())
        return npos;
    for (size_t at = to - pattern.size() + 1; at-- > 0;)
        if (sameAt(text, at, pattern, matchCase))
            return at;
    return npos;
}

} // namespace

struct TextCase {
    const char *text;
    const char *pattern;
    bool matchCase;
    size_t from;      // going down: matches start here or later
    size_t forward;   // expected start
    size_t to;        // going up: matches end here or earlier
    size_t backward;
};

class TextSearchCases : public ::testing::TestWithParam<TextCase> {};

TEST_P(TextSearchCases, FindsTheNearestMatchInEachDirection)
{
    const TextCase &c = GetParam();
    std::string text = c.text;
    TextSearch s = search(c.pattern, c.matchCase);
    EXPECT_EQ(s.findForward(text.data(), text.size(), c.from), c.forward);
    EXPECT_EQ(s.findBackward(text.data(), text.size(), c.to), c.backward);
}

INSTANTIATE_TEST_SUITE_P(
    Boundaries, TextSearchCases,
    ::testing::Values(
        // At the very start and the very end of the text.
        TextCase{"ERROR at start", "ERROR", true, 0, 0, 5, 0},
        TextCase{"ends in ERROR", "ERROR", true, 0, 8, 13, 8},
        // The search starts right after (going down) or ends right before
        // (going up) the selection, not inside it.
        TextCase{"abab", "ab", true, 1, 2, 3, 0},
        TextCase{"aaaa", "aa", true, 1, 1, 3, 1},
        // Case folded or not; only letters fold.
        TextCase{"Error error ERROR", "error", true, 0, 6, 17, 6},
        TextCase{"Error error ERROR", "ERROR", false, 1, 6, 16, 6},
        TextCase{"[x] {X}", "[X]", false, 0, 0, 7, 0},
        TextCase{"[x] {X}", "{x}", false, 0, 4, 7, 4},
        // One character: the fast paths for short patterns.
        TextCase{"..x..", "x", true, 0, 2, 5, 2},
        TextCase{"..X..", "x", false, 3, npos, 2, npos},
        // Misses: too short a text, positions past the end, an empty pattern.
        TextCase{"ab", "abc", true, 0, npos, 2, npos},
        TextCase{"abc", "c", true, 4, npos, 99, 2},
        TextCase{"abc", "", true, 0, npos, 3, npos},
        // Line ends and dots are characters like any other.
        TextCase{"OK\r\nERROR\r\n", "\r\nERR", true, 0, 2, 11, 2}));

TEST(TextSearch, AgreesWithThePlainModelOnRandomTextsInBothDirections)
{
    std::mt19937 rng(7);
    const char alphabet[] = "abAB\r\n.";
    for (int round = 0; round < 3000; ++round) {
        std::string text(rng() % 60, ' ');
        for (char &c : text)
            c = alphabet[rng() % 7];
        std::string pattern(1 + rng() % 5, ' ');
        for (char &c : pattern)
            c = alphabet[rng() % 7];
        bool matchCase = rng() % 2 == 0;
        size_t at = rng() % (text.size() + 2);
        TextSearch s = search(pattern, matchCase);
        ASSERT_EQ(s.findForward(text.data(), text.size(), at), modelForward(text, pattern, at, matchCase))
            << "down from " << at << " for '" << pattern << "' in '" << text << "'";
        ASSERT_EQ(s.findBackward(text.data(), text.size(), at), modelBackward(text, pattern, at, matchCase))
            << "up to " << at << " for '" << pattern << "' in '" << text << "'";
    }
}

TEST(TextSearch, BytesAboveTheAsciiRangeFoldThroughTheTableGiven)
{
    unsigned char table[256];
    TextSearch::asciiFold(table);
    table[0xC8] = 0xE8;   // as a Latin-1 code page folds È to è
    std::string text = "perch\xE8 PERCH\xC8";
    TextSearch folded("PERCH\xC8", 6, table);
    EXPECT_EQ(folded.findForward(text.data(), text.size(), 0), 0u);
    TextSearch plain("PERCH\xC8", 6, asciiTable());
    EXPECT_EQ(plain.findForward(text.data(), text.size(), 0), 7u);
    // A byte that is negative as a char still indexes the tables right.
    TextSearch exact("\xE8", 1, nullptr);
    EXPECT_EQ(exact.findBackward(text.data(), text.size(), text.size()), 5u);
}
