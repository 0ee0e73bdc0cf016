#ifndef TERMINAL_TIMEDTEXT_H
#define TERMINAL_TIMEDTEXT_H

#include <cstdint>

#include "terminal/receive/TextSink.h"

// When byte `index` of the data being rendered arrived (local milliseconds).
// Asked in ascending order, once for each line begun.
class ByteTimes
{
public:
    virtual ~ByteTimes() {}
    virtual int64_t timeOf(uint32_t index) = 0;
};

// The text layout with times: every line of the view begins with the time
// its first byte arrived, "hh:mm:ss.mmm " (24-hour clock, then a space).
// The bytes are shown as a received chunk shows them, whatever the length
// (line ends kept, each NUL as "."), so a re-render of the history shows the
// lines it showed as they came, each with its time.
//
// A line begins with the first byte after a line end, as the view breaks
// lines: an LF, or a CR that no LF follows. A line's time is written with
// its first byte, so a line begun but not ended shows its time at once and a
// CR at the end of one chunk waits for the next to tell whether an LF
// completes it. The state runs on from chunk to chunk.
class TimedText
{
public:
    enum : uint32_t { prefixChars = 13, progressStep = 65536 };

    TimedText() : lineBegins(true), afterCr(false) {}
    // The next byte begins a line (the view is empty).
    void reset()
    {
        lineBegins = true;
        afterCr = false;
    }

    // A pause ended the line: a line begun gets its line end now, so the
    // next byte begins a line with its own time. A line already ended (a CR
    // waiting for its LF included) stays as it is.
    void breakLine(TextSink &sink)
    {
        if (lineBegins)
            return;
        sink.putText("\r\n", 2);
        lineBegins = true;
        afterCr = false;
    }

    // false when the sink aborted; what was put so far stays.
    bool render(TextSink &sink, const unsigned char *data, uint32_t length, ByteTimes &times);

    // "hh:mm:ss.mmm " for a local time in milliseconds: the time of day
    // only, so it wraps to 00:00:00.000 at midnight. out holds at least
    // prefixChars + 1; returns prefixChars.
    static uint32_t formatTime(int64_t localMs, char *out);

    // Where a render of the last bytes of data (n bytes), begun on a fresh
    // line, starts so as to take at most `chars` characters: at the start
    // of a line when whole lines fit, inside the last line when not even
    // that one does. A re-render of the history shows only what the view
    // will keep.
    static uint32_t firstByteWithin(const unsigned char *data, uint32_t n, uint32_t chars);

private:
    bool lineBegins;   // the next byte begins a line
    bool afterCr;      // the last byte was a CR
};

#endif
