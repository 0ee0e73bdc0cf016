#include "comm/ModemLines.h"

uint8_t ModemLines::fromModemStatus(uint32_t status)
{
    uint8_t bits = 0;
    if (status & 0x10)
        bits |= cts;
    if (status & 0x20)
        bits |= dsr;
    if (status & 0x80)
        bits |= dcd;
    if (status & 0x40)
        bits |= ring;
    return bits;
}

uint8_t ModemLines::fromEvents(uint32_t events)
{
    uint8_t bits = 0;
    if (events & 0x08)
        bits |= cts;
    if (events & 0x10)
        bits |= dsr;
    if (events & 0x20)
        bits |= dcd;
    if (events & 0x100)
        bits |= ring;
    return bits;
}

const char *ModemLines::inputLabel(unsigned index)
{
    static const char *const labels[inputCount] = {"CTS", "DSR", "DCD", "RI"};
    return index < inputCount ? labels[index] : nullptr;
}

ModemLines::State ModemLines::State::unpack(uint32_t word)
{
    State s;
    s.on = uint8_t(word & allInputs);
    s.changed = uint8_t((word >> 4) & allInputs);
    s.known = (word & 0x100u) != 0;
    return s;
}

bool ModemLines::update(uint8_t on, uint8_t moved, State *step)
{
    on &= allInputs;
    // A status the first time it is known is no change of a line.
    uint8_t diff = state.known ? uint8_t((state.on ^ on) | (moved & allInputs)) : 0;
    bool news = !state.known || diff != 0;
    state.changed |= diff;
    state.on = on;
    state.known = true;
    if (step) {
        *step = state;
        step->changed = diff;
    }
    return news;
}

void ModemLines::setUnknown()
{
    state = State();
}

ModemLines::State ModemLines::take()
{
    State now = state;
    state.changed = 0;
    return now;
}
