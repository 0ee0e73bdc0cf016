#include "terminal/receive/HexTail.h"

#include <cstring>

void HexTail::follow(const unsigned char *data, uint32_t length)
{
    const uint32_t size = HexDump::bytesPerLine;
    if (length == 0)
        return;
    uint32_t total = (inLine == size ? 0 : inLine) + length;
    inLine = (total - 1) % size + 1;
    if (length >= size) {
        std::memcpy(last, data + (length - size), size);
        held = size;
        return;
    }
    uint32_t keep = held + length > size ? size - length : held;
    std::memmove(last, last + (held - keep), keep);
    std::memcpy(last + keep, data, length);
    held = keep + length;
}
