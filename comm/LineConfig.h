#ifndef COMM_LINECONFIG_H
#define COMM_LINECONFIG_H

#include <cstdint>

#include "comm/CommExtras.h"
#include "comm/CommSettings.h"
#include "comm/LinesAtOpen.h"

// What a CommSettings word asks of the port, as plain values: the fields of
// the platform's device control block that the word decides, and the port's
// time-outs. The platform layer copies these into its own records; nothing
// here needs the platform. build() refuses a word with an index beyond its
// table instead of looking it up.
class LineConfig
{
public:
    // Platform values of the DTR and RTS control modes.
    enum { dtrControlDisable = 0, dtrControlEnable = 1, dtrControlHandshake = 2 };
    enum { rtsControlDisable = 0, rtsControlEnable = 1, rtsControlHandshake = 2, rtsControlToggle = 3 };
    static constexpr uint32_t dcbLength = 28;
    static constexpr uint32_t noIntervalTimeout = 0xFFFFFFFFu;
    // What every write may take beyond its bytes' time on the line: room for
    // a peer that holds the line a moment (flow control) before the write is
    // given up and said to have failed.
    static constexpr uint32_t writeHoldMs = 2000;

    uint32_t baudRate = 0;
    uint8_t byteSize = 0;
    uint8_t parity = 0;
    uint8_t stopBits = 0;

    uint8_t fBinary = 1;
    uint8_t fParity = 1;   // parity checking stays on even with no parity

    // False for DTR/DSR mode 3: the port keeps its own DSR flow and DTR control.
    bool setDtrDsr = true;
    // Mode 3 with DTR off at open: the port keeps its DSR flow, and DTR
    // drops unless the port's own control is the handshake.
    bool setDtrControlOnly = false;
    uint8_t fOutxDsrFlow = 0;
    uint8_t fDtrControl = dtrControlDisable;

    uint8_t fOutxCtsFlow = 0;
    uint8_t fRtsControl = rtsControlDisable;

    uint8_t fOutX = 0;
    uint8_t fInX = 0;
    char xonChar = 0x11;
    char xoffChar = 0x13;
    uint16_t xonLim = 100;
    uint16_t xoffLim = 100;

    // Time-outs: a read returns what the driver holds; a write may take
    // writeTotalMultiplier ms per byte plus writeTotalConstant, so every write
    // ends, also on a line held for good.
    uint32_t readIntervalTimeout = noIntervalTimeout;
    uint32_t readTotalMultiplier = 0;
    uint32_t readTotalConstant = 1000;
    uint32_t writeTotalMultiplier = 0;
    uint32_t writeTotalConstant = 0;

    // Fills every field from settings; false (fields unspecified) when an
    // index lies beyond its table. With extras that raise the idle lines, a
    // line the word would drop (mode 0) is raised instead, still without
    // waiting on its partner.
    // atOpen then drops the lines it says are off, where the flow control
    // does not own them (DTR handshake; RTS handshake or toggle).
    bool build(const CommSettings &settings, const CommExtras &extras = CommExtras(),
               const LinesAtOpen &atOpen = LinesAtOpen());

    // True when a control mode leaves the line to the flow control, so that
    // nobody else may move it.
    static bool ownsDtr(uint8_t dtrControl) { return dtrControl == dtrControlHandshake; }
    static bool ownsRts(uint8_t rtsControl) { return rtsControl == rtsControlHandshake || rtsControl == rtsControlToggle; }

    // Whole milliseconds per byte: at least the time of the longest byte on
    // the line (12 bits), and 19200 / baud where that is more.
    static uint32_t writeMultiplierFor(uint32_t baudRate);
};

#endif
