#ifndef TERMINAL_TEXTSEARCH_H
#define TERMINAL_TEXTSEARCH_H

#include <cstddef>
#include <cstdint>

// Finding a text in the characters of the receive view, in either direction,
// at memory speed: a full view is 64 Mi characters and a miss has to read
// them all. Horspool's skip over the pattern (from its end going down, from
// its start going up) leaves most characters unread for all but the
// shortest patterns.
//
// Case is folded through a table of 256 bytes, so the folding of the
// operator's code page can be handed in; asciiFold gives the plain one.
class TextSearch
{
public:
    static const size_t npos = size_t(-1);
    // The longest pattern searched; a longer one is cut to it.
    enum { maxPattern = 255 };

    // fold: each byte's folded form for a search that ignores case, null to
    // match case. The table is copied.
    TextSearch(const char *pattern, size_t length, const unsigned char *fold);

    // A..Z folded to a..z, every other byte to itself.
    static void asciiFold(unsigned char table[256]);

    size_t length() const { return patLen; }

    // The start of the first match in text[0, size) that starts at or after
    // `from`; npos when there is none (or the pattern is empty).
    size_t findForward(const char *text, size_t size, size_t from) const;
    // The start of the last match that ends at or before `to`.
    size_t findBackward(const char *text, size_t size, size_t to) const;

private:
    bool matchesAt(const unsigned char *at) const;
    // One character going down: memchr for each byte that folds to it.
    size_t findByte(const unsigned char *text, size_t size, size_t from) const;

    unsigned char fold[256];
    unsigned char pat[maxPattern];   // folded
    size_t patLen;
    bool exact;                      // no folding: byte compares and memchr
    // The bytes that fold to a one-character pattern (0: too many of them).
    unsigned char variants[4];
    int variantCount;
    // Distance to move on when the character under the pattern's last
    // (going down) or first (going up) position is c.
    uint16_t skipDown[256];
    uint16_t skipUp[256];
};

#endif
