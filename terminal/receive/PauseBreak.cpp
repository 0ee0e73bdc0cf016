#include "terminal/receive/PauseBreak.h"

uint32_t PauseBreak::breaksIn(const ChunkTimes &times, uint32_t length, uint32_t *out)
{
    uint32_t n = 0;
    for (uint32_t i = 0; i < times.count(); ++i) {
        const ChunkTimes::Run &r = times.run(i);
        if (r.offset >= length || times.endOf(i, length) == r.offset)
            continue;
        if (arrive(r.time) && n < maxBreaks)
            out[n++] = r.offset;
    }
    return n;
}
