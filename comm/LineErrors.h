#ifndef COMM_LINEERRORS_H
#define COMM_LINEERRORS_H

#include <cstddef>
#include <cstdint>

// The line errors the driver has reported since the port opened. The
// driver says which kinds occurred since it was last asked (ClearCommError's
// flags), not how many bytes each hit, so each report counts once per kind.
class LineErrors
{
public:
    // ClearCommError's flags: CE_RXOVER 0x1 (the input buffer overflowed)
    // and CE_OVERRUN 0x2 (the device lost a byte) both count as overrun.
    static constexpr uint32_t rxOver = 0x01, overrunFlag = 0x02, parityFlag = 0x04, frameFlag = 0x08,
                              breakFlag = 0x10;

    uint32_t breaks = 0;
    uint32_t framing = 0;
    uint32_t parity = 0;
    uint32_t overrun = 0;

    // Counts what flags report; true when it counted anything.
    bool add(uint32_t flags);
    uint32_t total() const { return breaks + framing + parity + overrun; }

    bool operator==(const LineErrors &o) const
    {
        return breaks == o.breaks && framing == o.framing && parity == o.parity && overrun == o.overrun;
    }
    bool operator!=(const LineErrors &o) const { return !(*this == o); }

    // "errors: 1 break, 12 framing, 1 overrun": the kinds that occurred, in
    // that order; empty when none did or it does not fit.
    void describe(char *buffer, size_t size) const;
};

#endif
