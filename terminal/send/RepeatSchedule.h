#ifndef TERMINAL_REPEATSCHEDULE_H
#define TERMINAL_REPEATSCHEDULE_H

#include <cstdint>

// When the stored commands repeat, driven by a millisecond clock the caller
// reads (the terminal's tick, or a test's number).
//
// A key of a row with no interval sends it once. A key of a row with an
// interval sends it and starts it repeating; the same key again stops it, as
// do Stop Repeating and the port's closing. A repeat that falls due while the
// previous write is still held by the line is skipped, never queued: a slow
// or stopped line (handshake held off) must not pile up sends that would all
// go out at once when it frees. Repeats keep their phase, so a skipped turn
// does not shift the ones after it.
class RepeatSchedule
{
public:
    enum : uint32_t { rows = 12 };
    enum Press { nothing, sendOnce, startRepeating, stopRepeating };

    RepeatSchedule();

    // The key of `row` pressed at `now`. With sendOnce and startRepeating the
    // caller sends the row at once.
    Press press(uint32_t row, bool hasText, uint32_t interval, uint64_t now);
    void stop(uint32_t row);
    void stopAll();
    bool repeating(uint32_t row) const { return row < rows && active[row]; }
    bool anyRepeating() const;

    // The next row to send at `now`, or -1. While the write is held every
    // row that is due skips this turn. Call until -1.
    int takeDue(uint64_t now, bool writeHeld);
    // When the earliest repeat falls due; false when none repeats.
    bool nextDue(uint64_t *at) const;
    // Turns skipped since the start, for the status and the tests.
    uint64_t skipped() const { return skips; }

private:
    void advance(uint32_t row, uint64_t now);

    bool active[rows];
    uint32_t every[rows];
    uint64_t due[rows];
    uint64_t skips;
};

#endif
