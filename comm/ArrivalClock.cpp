#include "comm/ArrivalClock.h"

ArrivalClock::ArrivalClock() : frequency(0)
{
    LARGE_INTEGER f;
    if (QueryPerformanceFrequency(&f) && f.QuadPart > 0)
        frequency = f.QuadPart;
}

int64_t ArrivalClock::localWallMs()
{
    FILETIME utc, local;
    GetSystemTimeAsFileTime(&utc);
    if (!FileTimeToLocalFileTime(&utc, &local))
        local = utc;
    ULARGE_INTEGER t;
    t.LowPart = local.dwLowDateTime;
    t.HighPart = local.dwHighDateTime;
    return int64_t(t.QuadPart / 10000u);
}

int64_t ArrivalClock::now()
{
    int64_t wall = localWallMs();
    LARGE_INTEGER c;
    if (frequency == 0 || !QueryPerformanceCounter(&c))
        return wall;
    // Split so that the product cannot overflow however long the machine runs.
    int64_t seconds = c.QuadPart / frequency;
    int64_t rest = c.QuadPart % frequency;
    int64_t fineUs = seconds * 1000000 + rest * 1000000 / frequency;
    return map.stamp(fineUs, wall);
}
