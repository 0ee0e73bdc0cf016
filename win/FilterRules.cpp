#include "win/FilterRules.h"

#include <climits>
#include <cstring>

namespace FilterRules {

bool isControlChar(int ch)
{
    return ch == 8 || ch == 9 || ch == 13 || ch == 46;
}

bool isDecimalDigit(int ch)
{
    return ch >= '0' && ch <= '9';
}

bool isHexDigit(int ch)
{
    return isDecimalDigit(ch) || (ch >= 'A' && ch <= 'F') || (ch >= 'a' && ch <= 'f');
}

bool isBinaryDigit(int ch)
{
    return ch == '0' || ch == '1';
}

bool decimalAccepts(int ch)
{
    return isControlChar(ch) || isDecimalDigit(ch);
}

bool hexAccepts(int ch)
{
    return isControlChar(ch) || isHexDigit(ch);
}

bool binaryAccepts(int ch)
{
    return isControlChar(ch) || isBinaryDigit(ch);
}

size_t buildCandidate(const char *text, int ch, long start, long end, char *out, size_t outSize)
{
    if (!out || outSize == 0)
        return 0;
    if (!text)
        text = "";
    const long len = long(std::strlen(text));
    if (start < 0)
        start = 0;
    if (start > len)
        start = len;
    if (end < start)
        end = start;
    if (end > len)
        end = len;

    size_t n = 0;
    auto put = [&](char c) {
        if (n + 1 < outSize)
            out[n++] = c;
    };
    for (long i = 0; i < start; ++i)
        put(text[i]);
    put(char(ch));
    for (long i = end; i < len; ++i)
        put(text[i]);
    out[n] = '\0';
    return n;
}

long decimalValue(const char *text)
{
    if (!text)
        return 0;
    const char *p = text;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r'))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    long v = 0;
    for (; isDecimalDigit(*p); ++p) {
        int d = *p - '0';
        if (v > (LONG_MAX - d) / 10)
            return negative ? LONG_MIN : LONG_MAX;
        v = v * 10 + d;
    }
    return negative ? -v : v;
}

bool byteValueAccepts(const char *text, int ch, long start, long end)
{
    // Room for the text as read (at most 4 characters), the typed one and
    // the terminator.
    char candidate[8];
    buildCandidate(text, ch, start, end, candidate, sizeof candidate);
    return decimalValue(candidate) <= 255;
}

} // namespace FilterRules
