#include "terminal/send/RepeatSchedule.h"

RepeatSchedule::RepeatSchedule() : active(), every(), due(), skips(0) {}

RepeatSchedule::Press RepeatSchedule::press(uint32_t row, bool hasText, uint32_t interval, uint64_t now)
{
    if (row >= rows)
        return nothing;
    if (active[row]) {
        active[row] = false;
        return stopRepeating;
    }
    if (!hasText)
        return nothing;
    if (interval == 0)
        return sendOnce;
    active[row] = true;
    every[row] = interval;
    due[row] = now + interval;
    return startRepeating;
}

void RepeatSchedule::stop(uint32_t row)
{
    if (row < rows)
        active[row] = false;
}

void RepeatSchedule::stopAll()
{
    for (bool &a : active)
        a = false;
}

bool RepeatSchedule::anyRepeating() const
{
    for (bool a : active)
        if (a)
            return true;
    return false;
}

// The next turn after now on the row's own beat; the turns passed over are
// skipped ones.
void RepeatSchedule::advance(uint32_t row, uint64_t now)
{
    uint64_t missed = (now - due[row]) / every[row];
    skips += missed;
    due[row] += (missed + 1) * every[row];
}

int RepeatSchedule::takeDue(uint64_t now, bool writeHeld)
{
    for (uint32_t r = 0; r < rows; ++r) {
        if (!active[r] || due[r] > now)
            continue;
        if (writeHeld) {
            ++skips;
            advance(r, now);
            continue;
        }
        advance(r, now);
        return int(r);
    }
    return -1;
}

bool RepeatSchedule::nextDue(uint64_t *at) const
{
    bool found = false;
    for (uint32_t r = 0; r < rows; ++r) {
        if (active[r] && (!found || due[r] < *at)) {
            *at = due[r];
            found = true;
        }
    }
    return found;
}
