#include "win/TextStore.h"

#include <cstdlib>
#include <cstring>

// Line 0 always starts at 0 and is not stored: `starts` holds the starts of
// lines 1, 2, ... so that an empty store owns no memory at all.

namespace {

// Text is looked at a machine word at a time where it holds no line end:
// hex dump lines are 34 characters, so most words hold none, and a byte at
// a time was two thirds of what appending a chunk's dump cost.
typedef size_t Word;
const Word ones = Word(-1) / 0xFF;  // 0x01 in every byte
const Word lows = ones * 0x7F;

// 0x80 in each byte of w that is zero, nothing elsewhere (no carry crosses
// a byte: (b & 0x7F) + 0x7F is at most 0xFE).
inline Word zeroBytes(Word w)
{
    return ~(((w & lows) + lows) | w | lows);
}

// 0x80 in each byte of the word at p that is a CR or an LF.
inline Word lineEndBytes(const char *p)
{
    Word w;
    std::memcpy(&w, p, sizeof w);
    return zeroBytes(w ^ (ones * '\r')) | zeroBytes(w ^ (ones * '\n'));
}

// How many bytes have their 0x80 set in a mask of lineEndBytes.
inline size_t countMarked(Word mask)
{
    return size_t(((mask >> 7) * ones) >> ((sizeof(Word) - 1) * 8));
}

} // namespace

TextStore::TextStore() : buf(nullptr), begin(0), len(0), cap(0), base(0) {}

TextStore::~TextStore()
{
    std::free(buf);
}

size_t TextStore::lineLimit(size_t line) const
{
    return line + 1 < lineCount() ? lineStart(line + 1) : len;
}

size_t TextStore::lineEnd(size_t line) const
{
    if (line + 1 >= lineCount())
        return len;
    size_t start = lineStart(line);
    size_t limit = lineStart(line + 1);
    const char *t = text();
    if (limit >= start + 2 && t[limit - 1] == '\n' && t[limit - 2] == '\r')
        return limit - 2;
    return limit - 1;
}

size_t TextStore::lineOf(size_t offset) const
{
    // Lines are 1 + the number of stored starts at or before offset.
    return starts.countAtMost(uint64_t(offset) + base);
}

size_t TextStore::lineEndsIn(const char *t, size_t n)
{
    size_t count = 0, i = 0;
    for (; i + sizeof(Word) <= n; i += sizeof(Word))
        count += countMarked(lineEndBytes(t + i));
    for (; i < n; ++i)
        count += (t[i] == '\r') | (t[i] == '\n');
    return count;
}

bool TextStore::reserve(size_t more)
{
    return reserveText(more);
}

bool TextStore::reserveText(size_t n)
{
    // No text of half the address space can be held: refusing it here keeps
    // every sum below from wrapping.
    if (n >= SIZE_MAX / 2 - len - begin || n > maxLength - len)
        return false;
    size_t need = len + n + 1;
    if (begin + need <= cap)
        return true;
    // The room a head cut left is reused once it is at least as large as the
    // text kept, so moving the text costs no more than what was cut.
    if (begin > 0 && begin >= len) {
        std::memmove(buf, buf + begin, len + 1);
        begin = 0;
        if (need <= cap)
            return true;
    }
    size_t want = cap + cap / 2;
    if (want < begin + need || want < cap)
        want = begin + need;
    if (want < 64)
        want = 64;
    char *grown = static_cast<char *>(std::realloc(buf, want));
    if (!grown && want > begin + need) {
        want = begin + need;
        grown = static_cast<char *>(std::realloc(buf, want));
    }
    if (!grown)
        return false;
    if (!buf)
        grown[0] = '\0';
    buf = grown;
    cap = want;
    return true;
}

// Drops the starts past pos and indexes text[pos, len) again. A CR just
// before pos is indexed again with it: whether its line starts after it or
// after an LF that follows depends on the text at pos.
void TextStore::indexFrom(size_t pos)
{
    const char *t = text();
    if (pos > 0 && t[pos - 1] == '\r')
        --pos;
    starts.truncate(starts.countAtMost(uint64_t(pos) + base));
    for (size_t i = pos; i < len; ++i) {
        while (i + sizeof(Word) <= len && !lineEndBytes(t + i))
            i += sizeof(Word);
        if (i >= len)
            break;
        char c = t[i];
        if (c == '\r' && i + 1 < len && t[i + 1] == '\n')
            ++i;
        else if (c != '\r' && c != '\n')
            continue;
        // Room was reserved for every line end before the text changed.
        starts.push(uint64_t(i + 1) + base);
    }
}

bool TextStore::append(const char *t, size_t n, size_t lineEnds)
{
    return replace(len, 0, t, n, lineEnds);
}

bool TextStore::replace(size_t pos, size_t count, const char *t, size_t n, size_t lineEnds)
{
    if (pos > len)
        pos = len;
    if (count > len - pos)
        count = len - pos;
    if (n == 0 && count == 0)
        return true;
    size_t tail = len - pos - count;
    size_t newLen = len - count + n;
    if (newLen < n)
        return false;
    // Everything that can fail happens before the text is touched, and the
    // room for the text is had before the new text is read at all. One more
    // start than the line ends may be needed for a CR whose LF goes away.
    if (newLen > len && !reserveText(newLen - len))
        return false;
    if (!starts.reserve((lineEnds == unknownLineEnds ? lineEndsIn(t, n) : lineEnds) +
                        lineEndsIn(text() + pos + count, tail) + 1))
        return false;
    if (!buf && !reserveText(0))
        return false;
    char *p = buf + begin;
    std::memmove(p + pos + n, p + pos + count, tail);
    if (n)
        std::memcpy(p + pos, t, n);
    len = newLen;
    p[len] = '\0';
    indexFrom(pos);
    return true;
}

bool TextStore::assign(const char *t, size_t n)
{
    return replace(0, len, t, n);
}

void TextStore::eraseTail(size_t n)
{
    if (n > len)
        n = len;
    if (n == 0)
        return;
    len -= n;
    // Re-indexing an empty tail only drops the starts past the new end.
    indexFrom(len);
    buf[begin + len] = '\0';
}

size_t TextStore::eraseHead(size_t n)
{
    if (n > len)
        n = len;
    if (n == 0)
        return 0;
    begin += n;
    len -= n;
    base += n;
    size_t dropped = starts.countAtMost(base);
    starts.dropFront(dropped);
    if (len == 0)
        clear();
    return dropped;
}

void TextStore::clear()
{
    len = 0;
    begin = 0;
    if (cap > keptOnClear) {
        std::free(buf);
        buf = nullptr;
        cap = 0;
    }
    if (buf)
        buf[0] = '\0';
    starts.release();
    base = 0;
}

size_t TextStore::bytesHeld() const
{
    return cap + starts.bytesHeld();
}
