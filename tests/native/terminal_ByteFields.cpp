#include <gtest/gtest.h>

#include <string>

#include "terminal/send/ByteFields.h"

namespace {

std::string show(ByteFields::Field f, uint32_t v)
{
    char out[32];
    ByteFields::format(f, v, out, sizeof out);
    return out;
}

uint32_t parse(ByteFields::Field f, const char *t) { return ByteFields::parse(f, t); }

} // namespace

TEST(ByteFields, Dec65ShowsAInEveryField)
{
    uint32_t v = parse(ByteFields::Dec, "65");
    EXPECT_EQ(show(ByteFields::Hex, v), "41");
    EXPECT_EQ(show(ByteFields::Bin, v), "01000001");
    EXPECT_EQ(show(ByteFields::Char, v), "A");
}

TEST(ByteFields, Dec300ShowsThreeHexDigitsAndTheLowByteElsewhere)
{
    uint32_t v = parse(ByteFields::Dec, "300");
    EXPECT_EQ(show(ByteFields::Hex, v), "12C");
    EXPECT_EQ(show(ByteFields::Bin, v), "00101100");
    EXPECT_EQ(show(ByteFields::Char, v), ",");
    EXPECT_EQ(v & 0xFF, 0x2Cu);
}

TEST(ByteFields, EmptyCharGivesZeroEverywhere)
{
    uint32_t v = parse(ByteFields::Char, "");
    EXPECT_EQ(v, 0u);
    EXPECT_EQ(show(ByteFields::Dec, v), "0");
    EXPECT_EQ(show(ByteFields::Hex, v), "00");
    EXPECT_EQ(show(ByteFields::Bin, v), "00000000");
    EXPECT_EQ(show(ByteFields::Char, v), "");
}

TEST(ByteFields, LowerCaseHexIsRead) { EXPECT_EQ(parse(ByteFields::Hex, "ff"), 255u); }

TEST(ByteFields, HexCountsOtherCharactersAsZeroDigits)
{
    EXPECT_EQ(parse(ByteFields::Hex, "1g"), 0x10u);
    EXPECT_EQ(parse(ByteFields::Hex, ""), 0u);
}

TEST(ByteFields, BinReadsOnesFromTheRight)
{
    EXPECT_EQ(parse(ByteFields::Bin, "101"), 5u);
    EXPECT_EQ(parse(ByteFields::Bin, "1x1"), 5u);
    EXPECT_EQ(parse(ByteFields::Bin, "11111111"), 255u);
}

TEST(ByteFields, BinReadsTheLeftmostOfTwentyNineCharacters)
{
    EXPECT_EQ(parse(ByteFields::Bin, ("1" + std::string(28, '0')).c_str()), 1u << 28);
}

TEST(ByteFields, DecReadsLikeAtoi)
{
    EXPECT_EQ(parse(ByteFields::Dec, "  42abc"), 42u);
    EXPECT_EQ(parse(ByteFields::Dec, "abc"), 0u);
    EXPECT_EQ(parse(ByteFields::Dec, "-1"), 0xFFFFFFFFu);
    EXPECT_EQ(parse(ByteFields::Dec, "+7"), 7u);
}

TEST(ByteFields, DecTooLongForIntWrapsInsteadOfOverflowing)
{
    EXPECT_EQ(parse(ByteFields::Dec, "4294967297"), 1u);
}

TEST(ByteFields, OnlyTheFirst29CharactersAreLookedAt)
{
    std::string t(40, '1');
    // 29 ones from the right, the rest beyond the 30-byte buffer ignored.
    EXPECT_EQ(parse(ByteFields::Bin, t.c_str()), (1u << 29) - 1);
}

TEST(ByteFields, CharGivesTheCodeOfTheFirstCharacter)
{
    EXPECT_EQ(parse(ByteFields::Char, "Az"), 65u);
    EXPECT_EQ(parse(ByteFields::Char, "\xE9"), 0xE9u);
}

TEST(ByteFields, DecShowsUnsignedValues) { EXPECT_EQ(show(ByteFields::Dec, 0xFFFFFFFFu), "4294967295"); }

TEST(ByteFields, UpdateOrderRunsLeftNeighboursDownThenRightOnesUp)
{
    ByteFields::Field o[3];
    ASSERT_EQ(ByteFields::updateOrder(ByteFields::Bin, o), 3);
    EXPECT_EQ(o[0], ByteFields::Hex);
    EXPECT_EQ(o[1], ByteFields::Dec);
    EXPECT_EQ(o[2], ByteFields::Char);
    ByteFields::updateOrder(ByteFields::Dec, o);
    EXPECT_EQ(o[0], ByteFields::Hex);
    EXPECT_EQ(o[1], ByteFields::Bin);
    EXPECT_EQ(o[2], ByteFields::Char);
    ByteFields::updateOrder(ByteFields::Char, o);
    EXPECT_EQ(o[0], ByteFields::Bin);
    EXPECT_EQ(o[1], ByteFields::Hex);
    EXPECT_EQ(o[2], ByteFields::Dec);
}

TEST(ByteFields, EveryByteRoundTripsThroughEachField)
{
    for (uint32_t v = 0; v < 256; ++v) {
        for (int f = 0; f < ByteFields::fieldCount; ++f) {
            if (f == ByteFields::Char && v == 0)
                continue;  // an empty Char field reads as 0 too
            char out[32];
            ByteFields::format(ByteFields::Field(f), v, out, sizeof out);
            EXPECT_EQ(ByteFields::parse(ByteFields::Field(f), out), v) << f << " " << v;
        }
    }
}
