#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "terminal/send/Escapes.h"

namespace {

// Decodes text held in a buffer of exactly its length, so that any read past
// the text is caught by the address sanitizer.
std::string decode(const std::string &text)
{
    std::vector<char> exact(text.begin(), text.end());
    if (exact.empty())
        return std::string();
    char *heap = new char[exact.size()];
    std::memcpy(heap, exact.data(), exact.size());
    uint32_t n = Escapes::decodeEscapes(heap, uint32_t(exact.size()));
    std::string out(heap, n);
    delete[] heap;
    return out;
}

} // namespace

TEST(Escapes, PlainTextIsCopied) { EXPECT_EQ(decode("hello"), "hello"); }

TEST(Escapes, HexPairGivesOneByte) { EXPECT_EQ(decode("AT\\0D"), "AT\r"); }

TEST(Escapes, CrLfAndNulAreProduced)
{
    EXPECT_EQ(decode("\\0D\\0A"), "\r\n");
    EXPECT_EQ(decode("a\\00b"), std::string("a\0b", 3));
}

TEST(Escapes, TwoBackslashesGiveOne) { EXPECT_EQ(decode("a\\\\b"), "a\\b"); }

TEST(Escapes, LowerAndUpperCaseDigits)
{
    EXPECT_EQ(decode("\\41"), "A");
    EXPECT_EQ(decode("\\ff\\FF"), "\xFF\xFF");
    EXPECT_EQ(decode("\\aB"), "\xAB");
}

TEST(Escapes, SingleDigitAtTheEndGivesItsValue) { EXPECT_EQ(decode("x\\4"), "x\x04"); }

TEST(Escapes, DigitFollowedByNonDigitUsesUpBoth)
{
    // Two characters are always consumed after a leading digit.
    EXPECT_EQ(decode("\\4zq"), "\x04q");
}

TEST(Escapes, BackslashBeforeNonHexIsSentAsItStands)
{
    EXPECT_EQ(decode("\\zz"), "\\zz");
    EXPECT_EQ(decode("\\ 4"), "\\ 4");
    EXPECT_EQ(decode("\\-1"), "\\-1");
    EXPECT_EQ(decode("\\x41"), "\\x41");
}

TEST(Escapes, LoneBackslashAtTheEndIsSentAsItStands)
{
    EXPECT_EQ(decode("ab\\"), "ab\\");
    EXPECT_EQ(decode("\\"), "\\");
}

TEST(Escapes, NeverReadsBeyondTheGivenLength)
{
    // The text continues after the length handed in; none of it may be used.
    char text[] = "\\4142";
    EXPECT_EQ(Escapes::decodeEscapes(text, 2), 1u);
    EXPECT_EQ(text[0], '\x04');
    char two[] = "\\41";
    EXPECT_EQ(Escapes::decodeEscapes(two, 1), 1u);
    EXPECT_EQ(two[0], '\\');
}

TEST(Escapes, EmptyTextGivesNothing)
{
    char text[] = "";
    EXPECT_EQ(Escapes::decodeEscapes(text, 0), 0u);
}

TEST(Escapes, EveryByteValueSurvivesItsEscape)
{
    std::string text;
    char buf[4];
    for (int b = 0; b < 256; ++b) {
        snprintf(buf, sizeof buf, "\\%02X", b);
        text += buf;
    }
    std::string out = decode(text);
    ASSERT_EQ(out.size(), 256u);
    for (int b = 0; b < 256; ++b)
        EXPECT_EQ((unsigned char)out[size_t(b)], b);
}
