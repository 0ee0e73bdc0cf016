#ifndef TERMINAL_ZMODEMSTART_H
#define TERMINAL_ZMODEMSTART_H

#include <cstdint>

// Watches what arrives while no transfer runs for the far end starting a
// ZMODEM transfer by itself: `sz` opens with its ZRQINIT ("**" ZDLE "B00"),
// `rz` with its ZRINIT ("**" ZDLE "B01"). A start may be cut between two
// reads: its first bytes are held until the next read tells, and shown
// then if it was no start. What came before a start is shown; the start's
// own bytes are handed to the transfer instead.
class ZmodemStart
{
public:
    enum class Found
    {
        nothing,
        sender,    // the far end sends (sz): receive
        receiver,  // the far end receives (rz): send
    };

    // The bytes that make a start, and so the most ever held.
    static constexpr uint32_t startLength = 6;

    struct Scan
    {
        Found found;
        uint32_t shown;     // bytes put into shown
        uint32_t consumed;  // bytes of data looked at: all, or up to the start's end
    };

    ZmodemStart();

    // Scans count bytes; shown has room for count + startLength bytes. On
    // a start, the bytes from consumed on are the transfer's, after
    // startBytes().
    Scan scan(const unsigned char *data, uint32_t count, unsigned char *shown);
    // The start's bytes, for the transfer to read its header from.
    const unsigned char *startBytes() const { return matched; }
    // Held bytes given up (the port closes, a transfer starts from here):
    // copied into shown (startLength bytes of room), their count returned.
    uint32_t flush(unsigned char *shown);

private:
    unsigned char matched[startLength];
    uint32_t length;
};

#endif
