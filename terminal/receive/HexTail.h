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
    HexTail() : held(0) {}

    // The bytes just rendered, after those rendered before.
    void follow(const unsigned char *data, uint32_t length);
    void reset() { held = 0; }

    // The last count() bytes rendered, oldest first (at most a line's worth).
    const unsigned char *bytes() const { return last; }
    uint32_t count() const { return held; }

private:
    unsigned char last[HexDump::bytesPerLine];
    uint32_t held;
};

#endif
