#ifndef TERMINAL_TEXTDUMP_H
#define TERMINAL_TEXTDUMP_H

#include <cstdint>

#include "terminal/receive/TextSink.h"

// The text layout of the receive view. Up to shortLimit bytes (every received
// chunk) the data goes in as it is, line ends included, with each NUL shown as
// "."; longer data (re-rendering the history) goes in as one text in which
// every control character and DEL shows as ".".
// Every piece it puts is followed by a NUL (text[length] is 0), so it can
// go to a control as it is.
class TextDump
{
public:
    enum { shortLimit = 1024, nulProgressStep = 50, longProgressStep = 256 };

    // Renders `length` bytes, which are followed by a NUL (data[length] is
    // 0); false when the sink aborted. For long data, scratch must hold
    // length + 1 characters.
    static bool render(TextSink &sink, const unsigned char *data, uint32_t length, char *scratch);

    // Short path: segment by segment, one "." per NUL.
    static bool renderShort(TextSink &sink, const unsigned char *data, uint32_t length);

    // Long path: the dotted copy, inserted once, also when aborted (then
    // only what was converted so far).
    static bool renderLong(TextSink &sink, const unsigned char *data, uint32_t length, char *scratch);

    // The byte as it shows in a long render.
    static char dotted(unsigned char byte);
};

#endif
