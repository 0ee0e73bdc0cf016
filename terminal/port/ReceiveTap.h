#ifndef TERMINAL_RECEIVETAP_H
#define TERMINAL_RECEIVETAP_H

#include <cstdint>

// Sees received bytes before the view, the capture and the history do: a
// transfer that needs the peer's answers takes them here, and hands back
// what is to be shown as received.
class ReceiveTap
{
public:
    virtual ~ReceiveTap() = default;
    // Bytes a tap may hand back beyond those it was given: what it held
    // back from earlier chunks until it could tell them from its own.
    static const uint32_t heldBack = 8;

    // Copies the bytes that are not its own into shown, which has room for
    // count + heldBack bytes; returns how many.
    virtual uint32_t take(const unsigned char *data, uint32_t count, unsigned char *shown) = 0;
};

#endif
