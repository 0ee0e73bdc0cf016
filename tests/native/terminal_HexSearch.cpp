#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "terminal/receive/HexDump.h"
#include "terminal/find/HexSearch.h"

namespace {

const size_t npos = HexSearch::npos;
typedef std::vector<unsigned char> Bytes;

// A receive view in hex, made line by line, that remembers where each byte's
// digits stand; a run of bytes breaks where a line is not a hex line.
struct Dump {
    std::string text;
    std::vector<std::vector<std::pair<unsigned char, size_t>>> runs{1};
    uint32_t nextLine = 0;
    bool timed = false;   // every dump line begins with its arrival time

    void line(const Bytes &bytes)
    {
        char out[HexDump::lineBufferSize];
        if (timed)
            text += "23:59:07.045 ";
        size_t at = text.size();
        text.append(out, HexDump::formatHexLine(bytes.data(), uint32_t(bytes.size()), nextLine++, out));
        for (size_t j = 0; j < bytes.size(); ++j)
            runs.back().push_back(std::make_pair(bytes[j], at + 7 + 2 * j));
    }
    // Full lines, the last one short.
    void lines(const Bytes &bytes)
    {
        for (size_t i = 0; i < bytes.size(); i += 8)
            line(Bytes(bytes.begin() + long(i), bytes.begin() + long(std::min(bytes.size(), i + 8))));
    }
    void other(const std::string &s)
    {
        text += s;
        runs.emplace_back();
    }

    // The plain model: every start in every run tried in turn.
    template <class Run>
    static bool matchesAt(const Run &run, size_t i, const Bytes &pat)
    {
        size_t k = 0;
        while (k < pat.size() && run[i + k].first == pat[k])
            ++k;
        return k == pat.size();
    }
    size_t forward(const Bytes &pat, size_t from, size_t *end) const
    {
        size_t best = npos;
        for (const auto &run : runs)
            for (size_t i = 0; i + pat.size() <= run.size(); ++i)
                if (run[i].second >= from && run[i].second < best && matchesAt(run, i, pat)) {
                    best = run[i].second;
                    *end = run[i + pat.size() - 1].second + 2;
                }
        return best;
    }
    size_t backward(const Bytes &pat, size_t to, size_t *end) const
    {
        size_t best = npos;
        for (const auto &run : runs)
            for (size_t i = 0; i + pat.size() <= run.size(); ++i) {
                size_t last = run[i + pat.size() - 1].second + 2;
                if (last <= to && (best == npos || run[i].second > best) && matchesAt(run, i, pat)) {
                    best = run[i].second;
                    *end = last;
                }
            }
        return best;
    }
};

Bytes parsed(const char *text, bool *ok)
{
    unsigned char out[HexSearch::maxBytes];
    size_t n = 0;
    *ok = HexSearch::parse(text, out, sizeof out, &n);
    return Bytes(out, out + n);
}

} // namespace

TEST(HexSearch, ReadsPairsOfHexDigitsWithSpacesBetweenThem)
{
    struct Case {
        const char *typed;
        bool ok;
        Bytes bytes;
    } cases[] = {
        {"0D 0A", true, {0x0D, 0x0A}},
        {"0d0a", true, {0x0D, 0x0A}},
        {"DE AD BE EF", true, {0xDE, 0xAD, 0xBE, 0xEF}},
        {"  ff\t00  ", true, {0xFF, 0x00}},
        {"0D0", false, {}},       // a digit short
        {"0 D", false, {}},       // a pair split
        {"0x0D", false, {}},      // a sign that is no digit
        {"GG", false, {}},
        {"CR LF", false, {}},
        {"", false, {}},          // nothing to look for
        {"   ", false, {}},
    };
    for (const Case &c : cases) {
        bool ok = false;
        Bytes b = parsed(c.typed, &ok);
        EXPECT_EQ(ok, c.ok) << "'" << c.typed << "'";
        if (c.ok) {
            EXPECT_EQ(b, c.bytes) << "'" << c.typed << "'";
        }
    }
    // More bytes than there is room for are refused, not cut.
    unsigned char two[2];
    size_t n = 0;
    EXPECT_FALSE(HexSearch::parse("01 02 03", two, sizeof two, &n));
}

TEST(HexSearch, AMatchAcrossALineBreakCoversItsFirstToItsLastDigits)
{
    Dump d;
    d.lines(Bytes{0, 1, 2, 3, 4, 5, 0x0D, 0x0A, 0x41, 9});
    HexSearch s(Bytes{0x0A, 0x41}.data(), 2);
    size_t end = 0;
    size_t at = s.findForward(d.text.data(), d.text.size(), 0, &end);
    EXPECT_EQ(at, 7u + 14u) << "the second digits column of line 0, byte 7";
    EXPECT_EQ(end, 34u + 7u + 2u) << "after the first byte's digits on line 1";
    EXPECT_EQ(d.text.substr(at, 2), "0A");
    EXPECT_EQ(d.text.substr(end - 2, 2), "41");
    size_t upEnd = 0;
    EXPECT_EQ(s.findBackward(d.text.data(), d.text.size(), d.text.size(), &upEnd), at);
    EXPECT_EQ(upEnd, end);
}

TEST(HexSearch, AgreesWithThePlainModelOverShortLinesAndOtherText)
{
    std::mt19937 rng(11);
    for (int round = 0; round < 1500; ++round) {
        Dump d;
        d.timed = round % 2 == 1;
        for (int part = 1 + int(rng() % 6); part > 0; --part) {
            int kind = int(rng() % 5);
            if (kind == 0) {
                d.other(rng() % 2 ? "text in between\r\n" : "000000 4142\r\n");
                continue;
            }
            Bytes b(1 + rng() % (kind == 1 ? 8 : 20));
            for (auto &c : b)
                c = (unsigned char)(rng() % 3 == 0 ? 0x0D : rng() % 2 ? 0x0A : 0x00);
            if (kind == 1)
                d.line(b);   // a short line standing anywhere
            else
                d.lines(b);
        }
        Bytes pat(1 + rng() % 4);
        for (auto &c : pat)
            c = (unsigned char)(rng() % 3 == 0 ? 0x0D : rng() % 2 ? 0x0A : 0x00);
        HexSearch s(pat.data(), pat.size());
        size_t at = rng() % (d.text.size() + 2);
        size_t endGot = 0, endModel = 0;
        size_t got = s.findForward(d.text.data(), d.text.size(), at, &endGot);
        ASSERT_EQ(got, d.forward(pat, at, &endModel)) << "down from " << at << " in\n" << d.text;
        if (got != npos) {
            ASSERT_EQ(endGot, endModel);
        }
        got = s.findBackward(d.text.data(), d.text.size(), at, &endGot);
        ASSERT_EQ(got, d.backward(pat, at, &endModel)) << "up to " << at << " in\n" << d.text;
        if (got != npos) {
            ASSERT_EQ(endGot, endModel);
        }
    }
}
