#include "terminal/find/HexSearch.h"

#include <cstring>

#include "terminal/receive/HexDump.h"
#include "terminal/receive/TimedText.h"

namespace {

// The value of each character as a hex digit, -1 for any other.
struct HexDigits
{
    signed char value[256];
    HexDigits()
    {
        for (int c = 0; c < 256; ++c)
            value[c] = -1;
        for (int d = 0; d < 10; ++d)
            value['0' + d] = (signed char)d;
        for (int d = 0; d < 6; ++d) {
            value['A' + d] = (signed char)(10 + d);
            value['a' + d] = (signed char)(10 + d);
        }
    }
};

const HexDigits hexDigits;

inline int digit(char c)
{
    return hexDigits.value[(unsigned char)c];
}

// Where the line holding offset `at` starts.
size_t lineStart(const char *dump, size_t at)
{
    while (at > 0 && dump[at - 1] != '\n')
        --at;
    return at;
}

// Columns of a hex line: the digits of byte j start at digitsAt + 2j.
const size_t digitsAt = 7;
const size_t charsAt = HexDump::shortLineBase - 2;   // the character column

// "hh:mm:ss.mmm " before a dump line while the arrival times show: its
// width when one starts at t, else 0.
size_t timePrefix(const char *t, size_t avail)
{
    static const char shape[] = "dd:dd:dd.ddd ";
    const size_t width = TimedText::prefixChars;
    static_assert(sizeof shape - 1 == TimedText::prefixChars, "the shape of the time before a line");
    if (avail < width)
        return 0;
    for (size_t i = 0; i < width; ++i) {
        bool ok = shape[i] == 'd' ? (t[i] >= '0' && t[i] <= '9') : t[i] == shape[i];
        if (!ok)
            return 0;
    }
    return width;
}

// Failure links of the pattern: for each prefix, the longest proper prefix
// that is also its suffix.
void failureLinks(const unsigned char *pat, size_t m, uint8_t *next)
{
    if (m == 0)
        return;
    next[0] = 0;
    size_t k = 0;
    for (size_t i = 1; i < m; ++i) {
        while (k > 0 && pat[i] != pat[k])
            k = next[k - 1];
        if (pat[i] == pat[k])
            ++k;
        next[i] = uint8_t(k);
    }
}

} // namespace

// Bytes fed one by one, in the direction of the search, with where their
// digits stand; says when the last m bytes fed are the pattern (Knuth,
// Morris and Pratt: every byte is looked at once, wherever lines break).
class HexSearch::Matcher
{
public:
    Matcher(const unsigned char *pat, const uint8_t *next, size_t m) : pat(pat), next(next), m(m), state(0), slot(0) {}

    void reset() { state = 0; }

    // True when `b` completes a match; *farEnd is then where the digits of
    // the match's first byte fed stand.
    bool feed(unsigned char b, size_t at, size_t *farEnd)
    {
        ring[slot] = at;
        if (++slot == m)
            slot = 0;
        if (state == 0 && b != pat[0])
            return false;
        while (state > 0 && pat[state] != b)
            state = next[state - 1];
        if (pat[state] == b)
            ++state;
        if (state < m)
            return false;
        // The slot to be written next holds the byte fed m - 1 bytes ago.
        *farEnd = ring[slot];
        state = next[m - 1];
        return true;
    }

private:
    const unsigned char *pat;
    const uint8_t *next;
    size_t m;
    size_t state;   // pattern bytes matched so far
    size_t slot;
    size_t ring[maxBytes];  // where the last m bytes fed stand
};

bool HexSearch::parse(const char *text, unsigned char *bytes, size_t capacity, size_t *count)
{
    *count = 0;
    if (!text)
        return false;
    size_t n = 0;
    for (const char *p = text; *p;) {
        if (*p == ' ' || *p == '\t') {
            ++p;
            continue;
        }
        int hi = digit(p[0]);
        int lo = hi < 0 ? -1 : digit(p[1]);
        if (lo < 0 || n == capacity)
            return false;
        bytes[n++] = (unsigned char)(hi << 4 | lo);
        p += 2;
    }
    *count = n;
    return n > 0;
}

HexSearch::HexSearch(const unsigned char *bytes, size_t count)
    : patLen(bytes ? (count > size_t(maxBytes) ? size_t(maxBytes) : count) : 0)
{
    for (size_t i = 0; i < patLen; ++i) {
        down[i] = bytes[i];
        up[patLen - 1 - i] = bytes[i];
    }
    failureLinks(down, patLen, downNext);
    failureLinks(up, patLen, upNext);
}

uint32_t HexSearch::readLine(const char *dump, size_t size, size_t at, unsigned char *out, size_t *skip)
{
    const size_t perLine = HexDump::bytesPerLine;
    *skip = 0;
    if (at > size)
        return 0;
    size_t lead = timePrefix(dump + at, size - at);
    at += lead;
    if (size - at < HexDump::shortLineBase + 1)
        return 0;
    const char *t = dump + at;
    for (size_t i = 0; i + 1 < digitsAt; ++i)
        if (digit(t[i]) < 0)
            return 0;
    if (t[digitsAt - 1] != ' ' || t[charsAt - 1] != ' ')
        return 0;
    size_t n = 0;
    for (; n < perLine; ++n) {
        int hi = digit(t[digitsAt + 2 * n]), lo = digit(t[digitsAt + 2 * n + 1]);
        if (hi < 0 || lo < 0)
            break;
        out[n] = (unsigned char)(hi << 4 | lo);
    }
    if (n == 0)
        return 0;
    for (size_t k = n; k < perLine; ++k)
        if (t[digitsAt + 2 * k] != ' ' || t[digitsAt + 2 * k + 1] != ' ')
            return 0;
    if (size - at < HexDump::shortLineBase + n || t[charsAt + n] != '\r' || t[charsAt + n + 1] != '\n')
        return 0;
    *skip = lead;
    return uint32_t(n);
}

size_t HexSearch::findForward(const char *dump, size_t size, size_t from, size_t *end) const
{
    if (patLen == 0 || !dump || from >= size)
        return npos;
    Matcher match(down, downNext, patLen);
    unsigned char bytes[HexDump::bytesPerLine];
    for (size_t at = lineStart(dump, from); at < size;) {
        size_t skip;
        uint32_t n = readLine(dump, size, at, bytes, &skip);
        if (n == 0) {
            // Not a hex line: the run of bytes breaks here.
            match.reset();
            const void *lf = std::memchr(dump + at, '\n', size - at);
            if (!lf)
                break;
            at = size_t(static_cast<const char *>(lf) - dump) + 1;
            continue;
        }
        for (uint32_t j = 0; j < n; ++j) {
            size_t pos = at + skip + digitsAt + 2 * j, first;
            if (pos >= from && match.feed(bytes[j], pos, &first)) {
                *end = pos + 2;
                return first;
            }
        }
        at += skip + HexDump::shortLineBase + n;
    }
    return npos;
}

size_t HexSearch::findBackward(const char *dump, size_t size, size_t to, size_t *end) const
{
    if (patLen == 0 || !dump)
        return npos;
    if (to > size)
        to = size;
    Matcher match(up, upNext, patLen);
    unsigned char bytes[HexDump::bytesPerLine];
    const size_t full = HexDump::fullLineChars;
    size_t at = lineStart(dump, to), skip;
    uint32_t n = readLine(dump, size, at, bytes, &skip);
    for (;;) {
        if (n == 0)
            match.reset();
        for (uint32_t j = n; j-- > 0;) {
            size_t pos = at + skip + digitsAt + 2 * j, last;
            if (pos + 2 <= to && match.feed(bytes[j], pos, &last)) {
                *end = last + 2;
                return pos;
            }
        }
        if (at == 0)
            return npos;
        // A full hex line right before this one, as wide as this one, is
        // the common case; any other line is found by looking back for its
        // start.
        const size_t prev = full + skip;
        if (at >= prev && (at == prev || dump[at - prev - 1] == '\n') &&
            (n = readLine(dump, size, at - prev, bytes, &skip)) == HexDump::bytesPerLine) {
            at -= prev;
        } else {
            at = lineStart(dump, at - 1);
            n = readLine(dump, size, at, bytes, &skip);
        }
    }
}
