#ifndef TERMINAL_SCROLLBACK_H
#define TERMINAL_SCROLLBACK_H

#include <cstdint>

#include "terminal/receive/HexDump.h"

// How much of the history the receive view holds. The history itself (and
// so a save or a capture) keeps every byte; the view keeps up to `limit`
// characters, like any terminal's scrollback: 64 Mi by default, some 15 MiB
// received in hex, about what a flood at full speed brings in a minute.
//
// Once the view passes the limit it is cut back to keepChars(), half the
// limit, from the top, so cutting is rare. In hex the cut takes whole
// 34-character lines: what is left still adds up to hex lines and the
// continuation of a short last line keeps working; the offset labels run on
// from the line count. A render of the whole history shows as much of its
// end as the limit holds: all of it when it fits.
class Scrollback
{
public:
    enum : uint32_t { defaultLimit = 64u * 1024u * 1024u, minimumLimit = 4096 };

    explicit Scrollback(uint32_t limit = defaultLimit);
    // Clamped to minimumLimit and up, so that what a cut keeps is still
    // more than a short render: a re-render of a tail shows its line ends
    // as dots like one of the whole.
    void setLimit(uint32_t chars);
    uint32_t limit() const { return maxChars; }
    // What a cut leaves at most.
    uint32_t keepChars() const { return maxChars / 2; }

    // Characters to take from the top of a hex view of textLength
    // characters: 0 within the limit, else a whole number of lines of
    // lineChars (longer than a bare hex line when each shows its time).
    uint32_t hexCut(uint32_t textLength, uint32_t lineChars = HexDump::fullLineChars) const;
    // Characters to take from the top of a text view, at least; the caller
    // moves the cut on to the next line start when it can.
    uint32_t textCut(uint32_t textLength) const;

    // The first line that a hex render of the whole history of `bytes`
    // bytes shows: the lines from it on fit in the limit.
    uint32_t firstHexLine(uint32_t bytes, uint32_t lineChars = HexDump::fullLineChars) const;
    // The first byte that a text render of the whole history shows (a
    // re-render shows one character per byte).
    uint32_t firstTextByte(uint32_t bytes) const;

private:
    uint32_t maxChars;
};

#endif
