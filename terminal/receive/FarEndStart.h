#ifndef TERMINAL_FARENDSTART_H
#define TERMINAL_FARENDSTART_H

#include <cstdint>

// Looks at what arrives while no transfer runs, for the far end starting a
// transfer by itself (a board running sz or rz). The receive session hands
// each chunk over before it shows it; on a start the drain stops there, so
// that what follows in the port's queue goes to the transfer the owner then
// runs.
class FarEndStart
{
public:
    // Copies the bytes to be shown into shown (room for count + held bytes,
    // ReceiveTap::heldBack at most) and returns how many. began is set when
    // a start ended in these bytes: the start and every byte after it in
    // data are the watcher's, none of them shown.
    virtual uint32_t look(const unsigned char *data, uint32_t count, unsigned char *shown, bool &began) = 0;
    // The bytes held back as a possible start's beginning, given up as
    // text into shown (ReceiveTap::heldBack bytes of room); how many.
    virtual uint32_t release(unsigned char *shown) = 0;

protected:
    ~FarEndStart() = default;
};

#endif
