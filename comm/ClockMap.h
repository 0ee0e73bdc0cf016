#ifndef COMM_CLOCKMAP_H
#define COMM_CLOCKMAP_H

#include <cstdint>

// Reads arrival times off a fine monotonic clock, set to the local wall
// clock. The wall clock alone is too coarse (it moves in steps of some 16 ms
// on Windows) and may be set by hand or move with daylight saving; the fine
// clock runs on regardless. So the two are tied at one moment and the fine
// clock counts on from there; whenever the wall clock is found more than
// driftLimitMs away from that count (it was set, the zone's offset changed,
// or the two clocks drifted apart over a long session) they are tied again,
// and the times that follow go with the wall clock.
class ClockMap
{
public:
    enum : int64_t { driftLimitMs = 250 };

    ClockMap() : tied(false), fineAt(0), wallAt(0) {}

    // fineUs: the fine clock, in microseconds; wallMs: the local wall clock
    // now, in milliseconds. Returns the local time in milliseconds.
    int64_t stamp(int64_t fineUs, int64_t wallMs);

private:
    bool tied;
    int64_t fineAt;   // the fine clock when tied
    int64_t wallAt;   // the wall clock then
};

#endif
