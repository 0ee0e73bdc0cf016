#ifndef COMM_ARRIVALCLOCK_H
#define COMM_ARRIVALCLOCK_H

#include <windows.h>

#include <cstdint>

#include "comm/ClockMap.h"

// The reader's clock: the performance counter (a microsecond or better) set
// to the local wall clock by a ClockMap. now() gives local milliseconds,
// counted as file times are (from 1601).
class ArrivalClock
{
public:
    ArrivalClock();
    int64_t now();

    // The local wall clock, in the same milliseconds.
    static int64_t localWallMs();

private:
    LONGLONG frequency;   // of the performance counter; 0 when there is none
    ClockMap map;
};

#endif
