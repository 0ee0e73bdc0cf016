#ifndef TERMINAL_TRANSFERMACHINE_H
#define TERMINAL_TRANSFERMACHINE_H

#include <cstdint>

// What every protocol machine (the XMODEM family's and ZMODEM's senders and
// receivers) offers whoever drives it from the port: the bytes that came,
// the time, the operator's abort; the bytes to send, and when it next wants
// the time. One loop drives them all.
class TransferMachine
{
public:
    virtual ~TransferMachine();
    // Bytes from the far end; those to be shown (text outside the transfer)
    // are copied into shown, which has room for count + 8 bytes; returns how
    // many.
    virtual uint32_t receive(const unsigned char *data, uint32_t count, unsigned char *shown, uint32_t nowMs) = 0;
    virtual void tick(uint32_t nowMs) = 0;
    virtual void abort() = 0;
    // What is to go on the line now; outputSent as soon as it is handed to
    // the port's write (an answer during that write counts). The bytes stay
    // where output() pointed while the machine makes its next output.
    virtual const unsigned char *output() const = 0;
    virtual uint32_t outputCount() const = 0;
    virtual void outputSent(uint32_t nowMs) = 0;
    // Milliseconds until tick has something to do (0xFFFFFFFF: nothing).
    virtual uint32_t msUntilDeadline(uint32_t nowMs) const = 0;
    // Over: nothing more to send once the output went.
    virtual bool finished() const = 0;
};

#endif
