#include "terminal/find/TextSearch.h"

#include <cstring>

TextSearch::TextSearch(const char *pattern, size_t length, const unsigned char *foldTable)
    : patLen(length > size_t(maxPattern) ? size_t(maxPattern) : length), exact(foldTable == nullptr),
      variants(), variantCount(0)
{
    for (int c = 0; c < 256; ++c)
        fold[c] = foldTable ? foldTable[c] : (unsigned char)c;
    if (!pattern)
        patLen = 0;
    for (size_t i = 0; i < patLen; ++i)
        pat[i] = fold[(unsigned char)pattern[i]];
    for (int c = 0; c < 256; ++c) {
        skipDown[c] = uint16_t(patLen ? patLen : 1);
        skipUp[c] = skipDown[c];
    }
    // The nearest occurrence to the pattern's end (going down) or start
    // (going up) decides how far the pattern may move.
    for (size_t i = 0; i + 1 < patLen; ++i)
        skipDown[pat[i]] = uint16_t(patLen - 1 - i);
    for (size_t i = patLen; i-- > 1;)
        skipUp[pat[i]] = uint16_t(i);
    for (int c = 0; patLen == 1 && c < 256; ++c) {
        if (fold[c] != pat[0])
            continue;
        if (variantCount == int(sizeof variants)) {
            variantCount = 0;
            break;
        }
        variants[variantCount++] = (unsigned char)c;
    }
}

void TextSearch::asciiFold(unsigned char table[256])
{
    for (int c = 0; c < 256; ++c)
        table[c] = (unsigned char)(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
}

bool TextSearch::matchesAt(const unsigned char *at) const
{
    if (exact)
        return std::memcmp(at, pat, patLen) == 0;
    for (size_t i = 0; i < patLen; ++i)
        if (fold[at[i]] != pat[i])
            return false;
    return true;
}

size_t TextSearch::findForward(const char *text, size_t size, size_t from) const
{
    const size_t m = patLen;
    if (m == 0 || !text || from > size || size - from < m)
        return npos;
    const unsigned char *t = reinterpret_cast<const unsigned char *>(text);
    if (m == 1 && variantCount > 0)
        return findByte(t, size, from);
    const unsigned char last = pat[m - 1];
    const size_t end = size - m;
    for (size_t pos = from; pos <= end;) {
        unsigned char c = fold[t[pos + m - 1]];
        if (c == last && matchesAt(t + pos))
            return pos;
        pos += skipDown[c];
    }
    return npos;
}

size_t TextSearch::findByte(const unsigned char *t, size_t size, size_t from) const
{
    // Each later look only goes as far as the nearest match found so far.
    size_t best = size;
    for (int k = 0; k < variantCount; ++k) {
        const void *p = std::memchr(t + from, variants[k], best - from);
        if (p)
            best = size_t(static_cast<const unsigned char *>(p) - t);
    }
    return best == size ? npos : best;
}

size_t TextSearch::findBackward(const char *text, size_t size, size_t to) const
{
    const size_t m = patLen;
    if (to > size)
        to = size;
    if (m == 0 || !text || to < m)
        return npos;
    const unsigned char *t = reinterpret_cast<const unsigned char *>(text);
    const unsigned char first = pat[0];
    for (size_t pos = to - m;;) {
        unsigned char c = fold[t[pos]];
        if (c == first && matchesAt(t + pos))
            return pos;
        if (pos < skipUp[c])
            return npos;
        pos -= skipUp[c];
    }
}
