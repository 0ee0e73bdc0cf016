#ifndef TERMINAL_ZMODEMAUTOSTART_H
#define TERMINAL_ZMODEMAUTOSTART_H

#include <cstdint>

#include "terminal/receive/FarEndStart.h"
#include "terminal/transfer/ZmodemStart.h"

// "Start &ZMODEM by Itself": while the port is open and no transfer runs,
// sz on the far end (its ZRQINIT) is to begin a ZMODEM receive, and rz (its
// ZRINIT) a ZMODEM send. The receive session shows what came before a
// start and stops its drain after it; the transfer is run afterwards, out of
// the drain, since it pumps messages and must find the session free to feed
// its tap. On by default, kept as "ZmodemAutoStart" (REG_DWORD).
class ZmodemAutoStart : public FarEndStart
{
public:
    ZmodemAutoStart();
    ZmodemAutoStart(const ZmodemAutoStart &) = delete;
    ZmodemAutoStart &operator=(const ZmodemAutoStart &) = delete;

    bool isOn() const { return on; }
    // Turned on or off, and kept.
    void setOn(bool on);
    // While a transfer runs nothing is taken for a start.
    void holdOff(bool held) { heldOff = held; }

    uint32_t look(const unsigned char *data, uint32_t count, unsigned char *shown, bool &began) override;
    uint32_t release(unsigned char *shown) override { return scanner.flush(shown); }
    // The start found, and no longer waiting: bytes are the start and what
    // followed it in its read, the transfer's first bytes.
    ZmodemStart::Found take(const unsigned char *&bytes, uint32_t &count);

private:
    ZmodemStart scanner;
    bool on;
    bool heldOff = false;
    ZmodemStart::Found pending = ZmodemStart::Found::nothing;
    unsigned char held[ZmodemStart::startLength + 1024];
    uint32_t heldCount = 0;
};

#endif
