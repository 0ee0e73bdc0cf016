#ifndef TERMINAL_LAMPHOLD_H
#define TERMINAL_LAMPHOLD_H

#include <cstdint>

// One lamp of the status bar that shows every change of its input for a
// moment, however fast the input moves. Changes are queued and each state is
// shown at least holdMs before the next; a pulse too short to have been seen
// (reported only as a move) is shown as one. The queue is bounded: an input
// that rings faster than the lamp can follow shows blinks at the lamp's pace,
// never falling further behind than `depth` changes.
class LampHold
{
public:
    static constexpr uint32_t defaultHoldMs = 150;
    static constexpr unsigned depth = 8;

    explicit LampHold(uint32_t holdMs = defaultHoldMs) : hold(holdMs) {}

    // The input is `on` at nowMs; `moved` says it changed since the last
    // report even if it reads the same (it went and came back).
    void report(bool on, bool moved, uint32_t nowMs);
    // Forgets the queue and shows `on` at once (the port opened or closed).
    void reset(bool on, uint32_t nowMs);

    // What the lamp shows at nowMs: the next waiting state once the one
    // shown has had its moment.
    bool lit(uint32_t nowMs);
    // Milliseconds until the lamp may show something else, 0 when nothing
    // waits: the caller draws again then.
    uint32_t dueInMs(uint32_t nowMs) const;

private:
    void push(bool on);
    bool last() const { return count ? queue[(first + count - 1) % depth] : shown; }

    uint32_t hold;
    bool shown = false;
    uint32_t shownAt = 0;
    bool queue[depth] = {};
    unsigned first = 0;
    unsigned count = 0;
};

#endif
