#ifndef TERMINAL_HEXDUMP_H
#define TERMINAL_HEXDUMP_H

#include <cstdint>

// The hex layout of the receive view: lines of up to 8 bytes,
//   "%06X " offset, 16 digit columns (two spaces per missing byte), a space,
//   the bytes as characters (controls and DEL as "."), CR LF.
// A full line is 34 characters, a line of n < 8 bytes 26 + n, so a view that
// holds only hex lines has a length whose remainder by 34 is 0 or 27..33.
//
// Rendering a chunk first completes the short line the view may end in (its
// bytes are still in the history), then writes the rest in new lines. The
// drawing itself goes through a HexSink, so the same arithmetic drives the
// real view and the tests.
class HexSink
{
public:
    virtual ~HexSink() {}
    // Removes the last `chars` characters of the view.
    virtual void eraseTail(uint32_t chars) = 0;
    // Appends one formatted line; firstByte is the index, in the chunk, of the
    // first new byte on it. false stops the rendering (the operator aborted);
    // the line passed is then still shown.
    virtual bool putLine(const char *text, uint32_t length, uint32_t firstByte) = 0;
};

class HexDump
{
public:
    enum { bytesPerLine = 8, fullLineChars = 34, shortLineBase = 26, lineBufferSize = 40 };

    // Formats `count` (clamped to 1..8) bytes as line `lineNumber` into out
    // (at least lineBufferSize characters), NUL-terminated; returns the length.
    // The offset label keeps its six digits: past 16 MiB it wraps, so that every
    // line keeps the width the continuation arithmetic counts on.
    static uint32_t formatHexLine(const unsigned char *bytes, uint32_t count, uint32_t lineNumber, char *out);
    // The same, labelled with the byte offset `offset` (a line a pause began
    // starts wherever the packet did, not on a multiple of eight).
    static uint32_t formatHexLineAt(const unsigned char *bytes, uint32_t count, uint32_t offset, char *out);

    // Characters of a line holding `count` bytes (1..8).
    static uint32_t lineLength(uint32_t count);

    // How many bytes of a trailing short line can be rebuilt, for a view of
    // textLength characters that holds the hex lines firstLine to
    // lineCount - 1 (the lines before were cut from its top), with
    // historyBytes bytes received before the new chunk. 0 means: start on a fresh line,
    // erasing nothing. Anything the arithmetic cannot vouch for gives 0, so a
    // view that does not look like the hex lines it should hold never costs
    // received data.
    static uint32_t tailBytes(uint32_t textLength, uint32_t lineCount, uint32_t historyBytes,
                              uint32_t firstLine = 0);

    // Renders one chunk after a view of textLength characters holding the
    // lines firstLine to *lineCount - 1 of the history (historyBytes bytes at
    // history).
    // Updates *lineCount (a line stopped by an abort still counts). Returns
    // false when the sink aborted.
    static bool renderChunk(HexSink &sink, const unsigned char *history, uint32_t historyBytes,
                            const unsigned char *data, uint32_t length, uint32_t textLength,
                            uint32_t *lineCount, uint32_t firstLine = 0);

    // Renders data after a view whose last line holds the tailCount bytes
    // at tail (0: the view ends in a full line, or the data starts a line of
    // its own); that line is erased and rebuilt with the first new bytes.
    // offset is the label of data[0]; the lines go on from there in eights.
    // The firstByte reported to the sink counts from `base`. Adds the lines
    // begun to *newLines (when given; a line stopped by an abort counts).
    // false when the sink aborted.
    static bool renderFrom(HexSink &sink, const unsigned char *tail, uint32_t tailCount, uint32_t offset,
                           const unsigned char *data, uint32_t length, uint32_t base = 0,
                           uint32_t *newLines = nullptr);

    // The byte as it shows in the character column.
    static char shownChar(unsigned char byte);
};

#endif
