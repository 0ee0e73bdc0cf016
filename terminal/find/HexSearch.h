#ifndef TERMINAL_HEXSEARCH_H
#define TERMINAL_HEXSEARCH_H

#include <cstddef>
#include <cstdint>

// Finding bytes in the hex dump of the receive view. The dump is read back
// from the view's own text, line by line (the layout of HexDump), so a match
// is found wherever its bytes stand: across lines, in a short line a chunk
// left behind, in the lines that survived a cut of the view's top. A line
// that is not a hex line breaks the run of bytes.
//
// A match is given as the characters of the view it covers: from the first
// digit of its first byte to the second digit of its last.
class HexSearch
{
public:
    static const size_t npos = size_t(-1);
    enum { maxBytes = 128 };

    // Reads the bytes the operator typed: pairs of hex digits, either case,
    // with spaces (or tabs) between pairs, as "0D 0A", "0d0a" or
    // "DE AD BE EF". False for anything else (an odd digit, a stray sign,
    // nothing at all, more than `capacity` bytes); `bytes` then holds nothing
    // of use.
    static bool parse(const char *text, unsigned char *bytes, size_t capacity, size_t *count);

    // bytes[0, count) (cut to maxBytes) is what is looked for.
    HexSearch(const unsigned char *bytes, size_t count);

    size_t length() const { return patLen; }

    // The first match in dump[0, size) whose first digit is at or after
    // `from`; *end receives the offset after its last digit. npos: none.
    size_t findForward(const char *dump, size_t size, size_t from, size_t *end) const;
    // The last match whose last digit ends at or before `to`.
    size_t findBackward(const char *dump, size_t size, size_t to, size_t *end) const;

    // The bytes of the hex line starting at `at` (up to HexDump::bytesPerLine
    // of them) into out; returns their count, 0 when no hex line starts there.
    // A line may begin with its arrival time; *skip receives the characters
    // before its offset label.
    static uint32_t readLine(const char *dump, size_t size, size_t at, unsigned char *out, size_t *skip);

private:
    class Matcher;

    unsigned char down[maxBytes];   // the bytes in order
    unsigned char up[maxBytes];     // and reversed, for going up
    uint8_t downNext[maxBytes];     // each one's failure links
    uint8_t upNext[maxBytes];
    size_t patLen;
};

#endif
