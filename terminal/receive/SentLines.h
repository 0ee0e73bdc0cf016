#ifndef TERMINAL_SENTLINES_H
#define TERMINAL_SENTLINES_H

#include <cstdint>

#include "terminal/receive/TextSink.h"

// How a send shows among the received data: on lines of its own, each put
// whole (CR LF included) into the sink, so the view can colour them and the
// log can stamp them.
//   text: each line of the send a line, however it was broken (CR LF, CR or
//         LF); a break that ends the send makes no empty line after it;
//         control characters other than tab show as "."; a line longer than
//         maxLineChars goes on in the next;
//   hex:  dump lines as the received ones look, their offsets counted within
//         the send, so the received offsets go on counting received bytes;
//   file: one line, "File NAME, SIZE bytes".
// With a time given, every line begins with it, "hh:mm:ss.mmm ", as the
// received lines do with Show Time on.
class SentLines
{
public:
    enum : uint32_t { maxLineChars = 4096, maxName = 260 };

    static bool text(TextSink &sink, const unsigned char *data, uint32_t length, const int64_t *time);
    static bool hex(TextSink &sink, const unsigned char *data, uint32_t length, const int64_t *time);
    static bool file(TextSink &sink, const char *name, uint64_t size, const int64_t *time);
};

#endif
