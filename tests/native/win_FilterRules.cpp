#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "win/FilterRules.h"

using namespace FilterRules;

namespace {

std::string candidate(const char *text, int ch, long start, long end, size_t size = 16)
{
    char out[16];
    buildCandidate(text, ch, start, end, out, size);
    return out;
}

} // namespace

TEST(FilterRules, ControlCharactersAreBackspaceTabReturnAndFullStop)
{
    for (int ch = 0; ch < 256; ++ch) {
        bool expected = ch == 8 || ch == 9 || ch == 13 || ch == '.';
        EXPECT_EQ(isControlChar(ch), expected) << ch;
    }
}

TEST(FilterRules, ControlCharactersPassEveryDigitFilter)
{
    for (int ch : {8, 9, 13, 46}) {
        EXPECT_TRUE(decimalAccepts(ch)) << ch;
        EXPECT_TRUE(hexAccepts(ch)) << ch;
        EXPECT_TRUE(binaryAccepts(ch)) << ch;
    }
}

TEST(FilterRules, DecimalFilterTakesExactlyTheTenDigits)
{
    for (int ch = 0; ch < 256; ++ch) {
        bool expected = (ch >= '0' && ch <= '9') || isControlChar(ch);
        EXPECT_EQ(decimalAccepts(ch), expected) << ch;
    }
    EXPECT_FALSE(decimalAccepts('-'));
    EXPECT_FALSE(decimalAccepts('+'));
    EXPECT_FALSE(decimalAccepts(' '));
    EXPECT_FALSE(decimalAccepts('a'));
}

TEST(FilterRules, HexFilterTakesLettersAToFInBothCases)
{
    for (int ch = 'a'; ch <= 'f'; ++ch)
        EXPECT_TRUE(hexAccepts(ch)) << char(ch);
    for (int ch = 'A'; ch <= 'F'; ++ch)
        EXPECT_TRUE(hexAccepts(ch)) << char(ch);
    for (int ch = '0'; ch <= '9'; ++ch)
        EXPECT_TRUE(hexAccepts(ch)) << char(ch);
    EXPECT_FALSE(hexAccepts('g'));
    EXPECT_FALSE(hexAccepts('G'));
    EXPECT_FALSE(hexAccepts('@'));
    EXPECT_FALSE(hexAccepts('`'));
    EXPECT_FALSE(hexAccepts('x'));
}

TEST(FilterRules, BinaryFilterTakesZeroAndOneOnly)
{
    EXPECT_TRUE(binaryAccepts('0'));
    EXPECT_TRUE(binaryAccepts('1'));
    EXPECT_FALSE(binaryAccepts('2'));
    EXPECT_FALSE(binaryAccepts('9'));
    EXPECT_FALSE(binaryAccepts('b'));
}

TEST(FilterRules, CodesAbove127AreRefusedByEveryDigitFilter)
{
    for (int ch = 128; ch < 256; ++ch) {
        EXPECT_FALSE(decimalAccepts(ch)) << ch;
        EXPECT_FALSE(hexAccepts(ch)) << ch;
        EXPECT_FALSE(binaryAccepts(ch)) << ch;
    }
}

TEST(FilterRules, CandidateReplacesTheSelectionByTheCharacter)
{
    EXPECT_EQ(candidate("25", '5', 2, 2), "255");
    EXPECT_EQ(candidate("25", '3', 0, 0), "325");
    EXPECT_EQ(candidate("255", '7', 0, 3), "7");
    EXPECT_EQ(candidate("255", '1', 1, 2), "215");
    EXPECT_EQ(candidate("", '4', 0, 0), "4");
}

TEST(FilterRules, CandidateClampsASelectionBeyondTheText)
{
    EXPECT_EQ(candidate("25", '1', 7, 9), "251");
    EXPECT_EQ(candidate("25", '1', 0, 100), "1");
    EXPECT_EQ(candidate("25", '1', 65535, 65535), "251");
    EXPECT_EQ(candidate("25", '1', -3, -1), "125");
    EXPECT_EQ(candidate("25", '1', 2, 1), "251");
    EXPECT_EQ(candidate(nullptr, '1', 4, 4), "1");
}

TEST(FilterRules, CandidateNeverWritesPastItsBuffer)
{
    EXPECT_EQ(candidate("1234", '9', 2, 2, 4), "129");
    EXPECT_EQ(candidate("1234", '9', 2, 2, 1), "");
    char untouched = 'x';
    EXPECT_EQ(buildCandidate("12", '3', 0, 0, &untouched, 0), 0u);
    EXPECT_EQ(untouched, 'x');
}

TEST(FilterRules, DecimalValueFollowsTheStandardConversion)
{
    EXPECT_EQ(decimalValue("255"), 255);
    EXPECT_EQ(decimalValue("025"), 25);
    EXPECT_EQ(decimalValue("  42x"), 42);
    EXPECT_EQ(decimalValue("-7"), -7);
    EXPECT_EQ(decimalValue("+7"), 7);
    EXPECT_EQ(decimalValue("abc"), 0);
    EXPECT_EQ(decimalValue(""), 0);
    EXPECT_EQ(decimalValue("25\b"), 25);
    EXPECT_EQ(decimalValue(".25"), 0);
    EXPECT_EQ(decimalValue("99999999999999999999999"), LONG_MAX);
}

TEST(FilterRules, CaretAtEndOf25TakesFiveButNotSix)
{
    EXPECT_TRUE(byteValueAccepts("25", '5', 2, 2));
    EXPECT_FALSE(byteValueAccepts("25", '6', 2, 2));
    EXPECT_FALSE(byteValueAccepts("25", '9', 2, 2));
    EXPECT_TRUE(byteValueAccepts("25", '0', 2, 2));
}

TEST(FilterRules, CaretAtStartOf25TakesOneAndZeroButNotThree)
{
    EXPECT_FALSE(byteValueAccepts("25", '3', 0, 0));
    EXPECT_TRUE(byteValueAccepts("25", '1', 0, 0));
    EXPECT_TRUE(byteValueAccepts("25", '0', 0, 0));
    EXPECT_TRUE(byteValueAccepts("25", '2', 0, 0));
}

TEST(FilterRules, WhollySelected255TakesAnyDigit)
{
    for (int ch = '0'; ch <= '9'; ++ch)
        EXPECT_TRUE(byteValueAccepts("255", ch, 0, 3)) << char(ch);
}

TEST(FilterRules, ControlCharactersAreCheckedOnTheDigitsBeforeThem)
{
    EXPECT_TRUE(byteValueAccepts("25", 8, 2, 2));
    EXPECT_TRUE(byteValueAccepts("25", '.', 0, 0));
    EXPECT_TRUE(byteValueAccepts("999", 8, 0, 0));
    EXPECT_FALSE(byteValueAccepts("999", 8, 3, 3));
}

TEST(FilterRules, ByteCheckSurvivesASelectionReportedBeyondTheText)
{
    EXPECT_TRUE(byteValueAccepts("25", '1', 60000, 65535));
    EXPECT_FALSE(byteValueAccepts("99", '9', 60000, 65535));
    EXPECT_TRUE(byteValueAccepts("", '9', 3, 3));
}
