#include "comm/ClockMap.h"

int64_t ClockMap::stamp(int64_t fineUs, int64_t wallMs)
{
    if (tied && fineUs >= fineAt) {
        int64_t counted = wallAt + (fineUs - fineAt) / 1000;
        int64_t off = counted - wallMs;
        if (off <= driftLimitMs && off >= -driftLimitMs)
            return counted;
    }
    tied = true;
    fineAt = fineUs;
    wallAt = wallMs;
    return wallMs;
}
