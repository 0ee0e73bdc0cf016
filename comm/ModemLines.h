#ifndef COMM_MODEMLINES_H
#define COMM_MODEMLINES_H

#include <cstdint>

// The port's modem lines as plain values: the two outputs the terminal may
// move by hand (DTR, RTS) and the four inputs it shows (CTS, DSR, DCD, RI).
//
// The reader keeps one of these under the port's lock. Each change it sees
// (an event, or a status that differs from the last) is recorded in
// `changed` as well as in `on`, so an input that went on and off again
// between two looks by the window (a ring) is still seen to have moved.
class ModemLines
{
public:
    enum Output
    {
        dtr,
        rts
    };

    // Bits of `on` and `changed`, in the order the status bar shows them.
    enum Input : uint8_t
    {
        cts = 1,
        dsr = 2,
        dcd = 4,
        ring = 8
    };
    static constexpr unsigned inputCount = 4;
    static constexpr uint8_t allInputs = cts | dsr | dcd | ring;

    // The driver's status word (GetCommModemStatus: MS_CTS_ON 0x10,
    // MS_DSR_ON 0x20, MS_RING_ON 0x40, MS_RLSD_ON 0x80) as Input bits.
    static uint8_t fromModemStatus(uint32_t status);
    // The event mask of a wait (EV_CTS 0x8, EV_DSR 0x10, EV_RLSD 0x20,
    // EV_RING 0x100) as the Input bits that moved.
    static uint8_t fromEvents(uint32_t events);

    // "CTS", "DSR", "DCD", "RI" for input 0..3; null beyond.
    static const char *inputLabel(unsigned index);
    static uint8_t inputBit(unsigned index) { return index < inputCount ? uint8_t(1u << index) : 0; }

    // A snapshot: which inputs are on, which moved since the last take, and
    // whether the driver says anything at all.
    struct State
    {
        uint8_t on = 0;
        uint8_t changed = 0;
        bool known = false;

        // Packed into one word for a posted message, and back.
        uint32_t pack() const { return uint32_t(on) | uint32_t(changed) << 4 | (known ? 0x100u : 0u); }
        static State unpack(uint32_t word);
    };

    // A status read from the driver, with the inputs its event said moved.
    // True when anything changed since the last update (the first status
    // known included); step, when given, gets the state with only this
    // update's moves in `changed`.
    bool update(uint8_t on, uint8_t moved = 0, State *step = nullptr);
    // The driver cannot tell (a refused status query): every lamp greys.
    void setUnknown();
    // The state now; `changed` starts again from nothing.
    State take();
    const State &peek() const { return state; }

private:
    State state;
};

#endif
