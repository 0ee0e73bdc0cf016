#ifndef TERMINAL_HEXTAIL_H
#define TERMINAL_HEXTAIL_H

#include <cstdint>

#include "terminal/receive/HexDump.h"

// The last bytes rendered into the hex view: a chunk that completes the
// view's short last line rebuilds it from them. They used to be taken from
// the end of the receive history, which is right only while the history
// takes every byte: once it is full (or after a re-render of it) the view
// goes on showing bytes the history does not end with, and the rebuilt line
// would have shown the wrong ones.
class HexTail
{
public:
    HexTail() : held(0), inLine(0) {}

    // The bytes just rendered, after those rendered before, in lines of
    // eight from where the last line began.
    void follow(const unsigned char *data, uint32_t length);
    void reset() { held = inLine = 0; }
    // A pause ended the line: the next byte begins one.
    void breakLine() { inLine = 0; }

    // The last count() bytes rendered, oldest first (at most a line's worth).
    const unsigned char *bytes() const { return last; }
    uint32_t count() const { return held; }
    // The bytes of the view's last line (a full line counts 0: nothing to
    // complete), oldest first.
    uint32_t lineCount() const { return inLine == HexDump::bytesPerLine ? 0 : inLine; }
    const unsigned char *lineBytes() const { return last + held - lineCount(); }

private:
    unsigned char last[HexDump::bytesPerLine];
    uint32_t held;
    uint32_t inLine;   // bytes of the last line, 1..8; 0: none begun
};

#endif
