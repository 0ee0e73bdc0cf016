#ifndef WIN_TEXTSTORE_H
#define WIN_TEXTSTORE_H

// The text of the text view: one contiguous run of characters and the index
// of the offsets where its lines start. CR LF, a lone CR and a lone LF each
// end a line; a CR LF that arrives split over two appends still ends one
// line. Appending costs the appended text, cutting the tail costs the tail,
// and cutting the head moves nothing (the storage is compacted later, when it
// has to grow anyway). Nothing is kept per character beyond the character,
// and 4 bytes per line for where it starts.
//
// Storage comes from malloc/realloc: a failed growth returns false and leaves
// the text and its index exactly as they were. Nothing here throws. The text
// is less than 4 GiB long (maxLength): the line index keeps 32-bit distances.

#include <cstddef>
#include <cstdint>

#include "win/BlockIndex.h"

class TextStore
{
public:
    TextStore();
    ~TextStore();
    TextStore(const TextStore &) = delete;
    TextStore &operator=(const TextStore &) = delete;

    size_t length() const { return len; }
    // The text, always followed by a NUL (also when empty).
    const char *data() const { return text(); }
    char at(size_t offset) const { return text()[offset]; }

    // At least 1: an empty text is one empty line, and a text ending in a
    // line end has an empty last line after it.
    size_t lineCount() const { return 1 + starts.size(); }
    size_t lineStart(size_t line) const { return line == 0 ? 0 : size_t(starts.at(line - 1) - base); }
    // Where the line's characters end, before its CR, LF or CR LF.
    size_t lineEnd(size_t line) const;
    // Where the next line starts (the text length for the last line).
    size_t lineLimit(size_t line) const;
    // The line holding offset (offsets past the end give the last line).
    size_t lineOf(size_t offset) const;

    // How many line ends text[0, n) could add: an upper bound for reserving.
    static size_t lineEndsIn(const char *text, size_t n);

    // Room for `more` characters past the end, so that an append of them
    // needs no more growth of the text.
    bool reserve(size_t more);
    // lineEnds: lineEndsIn(text, n) when the caller has it already.
    enum : size_t { unknownLineEnds = SIZE_MAX };
    bool append(const char *text, size_t n, size_t lineEnds = unknownLineEnds);
    // Replaces [pos, pos + count) (clamped to the text) by text[0, n).
    bool replace(size_t pos, size_t count, const char *text, size_t n, size_t lineEnds = unknownLineEnds);
    bool assign(const char *text, size_t n);
    // Removes the last n characters (all of them when n is larger).
    void eraseTail(size_t n);
    // Removes the first n characters (clamped); returns how many lines the
    // line index lost from its top, so that per-line data kept elsewhere can
    // drop as many.
    size_t eraseHead(size_t n);
    // Empties the text and gives back its storage beyond a small reserve.
    void clear();

    // Where offset 0 stands in the text appended since the store was last
    // emptied: it grows with each head cut, so origin() + offset names a
    // character until then.
    uint64_t origin() const { return base; }

    enum : size_t { maxLength = 0xFFFFFFFEu, keptOnClear = 64 * 1024 };

    // Bytes held for the text and the index, and for the index alone, for
    // the memory figures.
    size_t bytesHeld() const;
    size_t indexBytesHeld() const { return starts.bytesHeld(); }

private:
    char *text() const { return buf ? buf + begin : const_cast<char *>(""); }
    bool reserveText(size_t n);
    void indexFrom(size_t pos);

    char *buf;
    size_t begin;  // the text starts at buf + begin (the head cut leaves room before it)
    size_t len;
    size_t cap;    // bytes at buf, the terminating NUL included

    // Starts of lines 1, 2, ... as absolute positions: relative offset +
    // base. A head cut raises base instead of rewriting every entry.
    BlockIndex starts;
    uint64_t base;
};

#endif
