#ifndef WIN_COLOURRUNS_H
#define WIN_COLOURRUNS_H

// The colours of the text view's text, kept as runs beside the TextStore:
// each run is where a new attribute begins and which it is, so text in one
// colour costs nothing per character, and a colour change 6 bytes (a 32-bit
// start and a 16-bit index into a table of the attributes in use). Text
// before the first run, and all text while there are none, has the default
// attribute: plain text costs nothing at all.
//
// Offsets are those of the store; a head cut raises a base instead of
// rewriting the runs, so the starts are kept modulo 2^32 and read back
// relative to the base (the text is less than 4 GiB, TextStore::maxLength).
// Runs are held in chunks of a fixed size allocated one by one, so there is
// no growth room beyond the last chunk, and a head cut gives chunks back.
//
// Storage comes from malloc/realloc: a failed growth returns false and
// leaves the runs as they were. Nothing here throws. The table holds up to
// maxAttrs attributes; when it is full, those no run uses any more are
// dropped, and should all be in use, further ones show as the default.

#include <cstddef>
#include <cstdint>

#include "win/TextAttr.h"

class ColourRuns
{
public:
    enum : size_t { chunkRuns = 4096, maxAttrs = 65535 };

    ColourRuns();
    ~ColourRuns();
    ColourRuns(const ColourRuns &) = delete;
    ColourRuns &operator=(const ColourRuns &) = delete;

    bool empty() const { return count == 0; }
    size_t runCount() const { return count; }

    // The text from offset `at` to the end has attr: what was said of the
    // text from there on before is forgotten. Called with the length before
    // an append, it colours the appended text.
    bool setFrom(size_t at, const TextAttr &attr);
    // Colours [from, to) with attr, the rest as it was (a line a rule
    // picks out after it came).
    bool paint(size_t from, size_t to, const TextAttr &attr);
    // Gives [from, to) the background bg, each character keeping its
    // colour and emphasis (a highlighted line of coloured text).
    bool paintBackground(size_t from, size_t to, uint32_t bg);
    // The text was cut to newLength characters.
    void eraseTail(size_t newLength);
    // The first n characters of the text were cut.
    void eraseHead(size_t n);
    // [pos, pos + count) of the text was replaced by n characters in the
    // default attribute; what followed keeps its own.
    bool replace(size_t pos, size_t count, size_t n);
    // Everything default again; the storage goes back.
    void clear();

    TextAttr attrAt(size_t offset) const;
    // The attribute at offset, and where it changes next (SIZE_MAX: never).
    size_t spanAt(size_t offset, TextAttr &attr) const;

    size_t bytesHeld() const;

private:
    struct Chunk
    {
        uint32_t start[chunkRuns];
        uint16_t attr[chunkRuns];
    };

    size_t startOf(size_t i) const
    {
        size_t p = front + i;
        return uint32_t(chunks[firstChunk + p / chunkRuns]->start[p % chunkRuns] - uint32_t(base));
    }
    uint16_t attrOf(size_t i) const
    {
        size_t p = front + i;
        return chunks[firstChunk + p / chunkRuns]->attr[p % chunkRuns];
    }
    void setRun(size_t i, size_t start, uint16_t attr);
    // How many runs start at or before offset.
    size_t countAtMost(size_t offset) const;
    bool reserveRuns(size_t more);
    void emit(size_t start, uint16_t attr);
    bool splice(size_t p, uint16_t attr, size_t q, size_t r);
    void truncate(size_t n);
    void dropFront(size_t n);
    void releaseRuns();

    bool intern(const TextAttr &attr, uint16_t &index);
    bool growTable();
    void rehash();
    bool collectUnused();

    Chunk **chunks;     // the table of chunks; [firstChunk, firstChunk + allocated) have storage
    size_t firstChunk, allocated, tableCap;
    size_t front;       // runs before the first one in the first chunk
    size_t count;
    uint64_t base;      // where offset 0 stands among the starts

    // The attributes in use; index 0 is the default. slots: an open hash
    // of index + 1 (0: free), twice the table's size.
    TextAttr *attrs;
    size_t attrCount, attrCap;
    uint32_t *slots;
    size_t slotCap;
    // The attribute interned last: a coloured log switches between two or
    // three, so most lookups end here.
    TextAttr lastAttr;
    uint16_t lastIndex;
};

#endif
