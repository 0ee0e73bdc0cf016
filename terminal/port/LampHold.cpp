#include "terminal/port/LampHold.h"

void LampHold::push(bool on)
{
    if (count == depth) {
        // Full: the two oldest waiting states make a blink already shown
        // by the ones after; dropping them keeps the lamp near the present.
        first = (first + 2) % depth;
        count -= 2;
    }
    queue[(first + count) % depth] = on;
    ++count;
}

void LampHold::report(bool on, bool moved, uint32_t nowMs)
{
    if (count == 0 && nowMs - shownAt >= hold && on != shown && !moved) {
        // Nothing waits and the lamp has shown its state long enough.
        shown = on;
        shownAt = nowMs;
        return;
    }
    if (on != last()) {
        push(on);
    } else if (moved) {
        // It went to the other state and back between two reports.
        push(!on);
        push(on);
    }
}

void LampHold::reset(bool on, uint32_t nowMs)
{
    count = 0;
    first = 0;
    shown = on;
    // Shown long enough already: the first report after a reset shows at once.
    shownAt = nowMs - hold;
}

// One step at a time: a state counts as shown from the first time it is
// asked for, so each is drawn for its moment however late the drawing comes.
bool LampHold::lit(uint32_t nowMs)
{
    if (count > 0 && nowMs - shownAt >= hold) {
        shown = queue[first];
        first = (first + 1) % depth;
        --count;
        shownAt = nowMs;
    }
    return shown;
}

uint32_t LampHold::dueInMs(uint32_t nowMs) const
{
    if (count == 0)
        return 0;
    uint32_t since = nowMs - shownAt;
    return since >= hold ? 1 : hold - since;
}
