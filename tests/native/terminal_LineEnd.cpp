#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "terminal/send/LineEnd.h"

namespace {

// Composes into a buffer of exactly the bound, so any write past it is caught.
std::string compose(const std::string &text, LineEnd::Kind kind)
{
    std::vector<char> exact(text.begin(), text.end());
    std::vector<char> out(size_t(LineEnd::outputBound(uint32_t(text.size()))));
    uint32_t n = LineEnd::compose(exact.data(), uint32_t(exact.size()), kind, out.data());
    EXPECT_LE(n, out.size());
    return std::string(out.data(), n);
}

} // namespace

TEST(LineEnd, EachKindOnTheLineAsThePeerSeesIt)
{
    struct Case
    {
        const char *text;
        LineEnd::Kind kind;
        std::string sent;
    } cases[] = {
        // None: the box as it always went out.
        {"AT", LineEnd::none, "AT"},
        {"A\r\nB", LineEnd::none, "A\r\nB"},
        {"AT\\0D", LineEnd::none, "AT\r"},
        // Each break of the box becomes the end, and the send ends with it.
        {"A\r\nB", LineEnd::cr, "A\rB\r"},
        {"A\r\nB", LineEnd::lf, "A\nB\n"},
        {"A\r\nB", LineEnd::crLf, "A\r\nB\r\n"},
        {"AT", LineEnd::crLf, "AT\r\n"},
        // Lone CRs and LFs, as a paste may bring them, are breaks too.
        {"A\rB\nC", LineEnd::crLf, "A\r\nB\r\nC\r\n"},
        {"A\n\rB", LineEnd::cr, "A\r\rB\r"},
        // A box that ends in a break is not given a second end; an empty
        // line inside the box is sent as one.
        {"AT\r\n", LineEnd::cr, "AT\r"},
        {"A\r\n\r\nB", LineEnd::lf, "A\n\nB\n"},
        {"\r\n", LineEnd::cr, "\r"},
        {"\r\n\r\n", LineEnd::crLf, "\r\n\r\n"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(compose(c.text, c.kind), c.sent) << c.text << " kind " << c.kind;
}

TEST(LineEnd, EscapesDecodeLineByLineAndAreNeverTakenForBreaks)
{
    // An escaped CR is a byte, not a break: it gets no end of its own.
    EXPECT_EQ(compose("A\\0DB", LineEnd::lf), "A\rB\n");
    // An escape cut by a break ends there instead of using the break up.
    EXPECT_EQ(compose("x\\4\r\ny", LineEnd::cr), "x\x04\ry\r");
    // An escape that does not decode goes out as typed.
    EXPECT_EQ(compose("\\zz\r\n\\", LineEnd::cr), "\\zz\r\\\r");
    EXPECT_EQ(compose("a\\\\b", LineEnd::crLf), "a\\b\r\n");
    EXPECT_EQ(compose(std::string("n\\00", 4), LineEnd::cr), std::string("n\0\r", 3));
}

TEST(LineEnd, LongTextsAndTheWorstGrowthFitTheBound)
{
    std::string many(2000, '\r');   // every lone CR becomes CR LF
    std::string expected;
    for (int i = 0; i < 2000; ++i)
        expected += "\r\n";
    EXPECT_EQ(compose(many, LineEnd::crLf), expected);
    std::string longLine(1500, 'q');
    EXPECT_EQ(compose(longLine, LineEnd::cr), longLine + "\r");
    EXPECT_EQ(compose("", LineEnd::crLf), "");
}

TEST(LineEnd, StoredValuesAndLabels)
{
    EXPECT_EQ(LineEnd::fromStored(0), LineEnd::none);
    EXPECT_EQ(LineEnd::fromStored(3), LineEnd::crLf);
    EXPECT_EQ(LineEnd::fromStored(4), LineEnd::none);
    EXPECT_EQ(LineEnd::fromStored(0xFFFFFFFFu), LineEnd::none);
    EXPECT_STREQ(LineEnd::label(LineEnd::none), "None");
    EXPECT_STREQ(LineEnd::label(LineEnd::cr), "CR");
    EXPECT_STREQ(LineEnd::label(LineEnd::lf), "LF");
    EXPECT_STREQ(LineEnd::label(LineEnd::crLf), "CR+LF");
}
