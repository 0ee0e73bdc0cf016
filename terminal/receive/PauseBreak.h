#ifndef TERMINAL_PAUSEBREAK_H
#define TERMINAL_PAUSEBREAK_H

#include <cstdint>

#include "util/ChunkTimes.h"

// A new line after a pause: devices that send packets (Modbus RTU, sensor
// frames) mark their ends by falling silent, so a gap of at least the pause
// between two received bytes ends the line (in hex the dump line) there.
// The reader stamps each of its reads; the gap is measured between the
// stamps of the read before and the read after it. With a pause of 0 (the
// default) nothing ever breaks.
//
// The decision runs on from chunk to chunk: the first byte after a pause
// breaks, also when it is the first of a chunk. Only what the view shows
// breaks; the history and Save keep the bytes as they came.
class PauseBreak
{
public:
    enum : uint32_t { maxPauseMs = 60000, maxBreaks = ChunkTimes::maxRuns };

    explicit PauseBreak(uint32_t pauseMs = 0) : ms(0), last(0), seen(false) { setPause(pauseMs); }
    // Clamped to maxPauseMs.
    void setPause(uint32_t pauseMs) { ms = pauseMs > maxPauseMs ? maxPauseMs : pauseMs; }
    uint32_t pause() const { return ms; }
    // Nothing received yet: the next byte breaks no line (the view is empty).
    void reset() { seen = false; }

    // The next bytes arrived at `time` (local ms): true when a line ends
    // before them.
    bool arrive(int64_t time)
    {
        bool breaks = ms && seen && time - last >= int64_t(ms);
        last = time;
        seen = true;
        return breaks;
    }

    // The offsets in a chunk of `length` bytes before which a line ends, in
    // ascending order, into out (room for maxBreaks); returns how many.
    uint32_t breaksIn(const ChunkTimes &times, uint32_t length, uint32_t *out);

private:
    uint32_t ms;
    int64_t last;   // when the last bytes arrived
    bool seen;
};

#endif
