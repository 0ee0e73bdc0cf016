#include "terminal/send/PacedSend.h"

bool PacedSend::needsProgress(uint32_t bytes, uint32_t delayMs)
{
    return uint64_t(bytes) * delayMs > onTheSpotMs;
}

void PacedSend::start(uint32_t bytes, uint32_t delayMs, uint64_t now)
{
    total = bytes;
    done = 0;
    delay = delayMs;
    nextAt = now;
    stopped = false;
}

void PacedSend::byteSent(uint64_t now)
{
    if (stopped || done >= total)
        return;
    ++done;
    nextAt = now + delay;
}

uint64_t PacedSend::waitFrom(uint64_t now) const
{
    if (stopped || now >= nextAt)
        return 0;
    return nextAt - now;
}
