#include "terminal/transfer/XmodemFrame.h"

#include <cstdio>
#include <cstring>

uint16_t XmodemFrame::crc16(const unsigned char *data, uint32_t count)
{
    uint16_t crc = 0;
    for (uint32_t i = 0; i < count; ++i) {
        crc = uint16_t(crc ^ (uint16_t(data[i]) << 8));
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x8000) ? uint16_t((crc << 1) ^ 0x1021) : uint16_t(crc << 1);
    }
    return crc;
}

unsigned char XmodemFrame::checksum(const unsigned char *data, uint32_t count)
{
    unsigned sum = 0;
    for (uint32_t i = 0; i < count; ++i)
        sum += data[i];
    return static_cast<unsigned char>(sum);
}

uint32_t XmodemFrame::frame(unsigned char *out, uint32_t number, const unsigned char *data, uint32_t count,
                            uint32_t blockSize, bool useCrc)
{
    if (blockSize != largeBlock)
        blockSize = smallBlock;
    if (count > blockSize)
        count = blockSize;
    out[0] = blockSize == largeBlock ? stx : soh;
    out[1] = static_cast<unsigned char>(number);
    out[2] = static_cast<unsigned char>(255 - (number & 0xFF));
    unsigned char *block = out + 3;
    if (count)
        std::memcpy(block, data, count);
    std::memset(block + count, padByte, blockSize - count);
    if (!useCrc) {
        block[blockSize] = checksum(block, blockSize);
        return 3 + blockSize + 1;
    }
    uint16_t crc = crc16(block, blockSize);
    block[blockSize] = static_cast<unsigned char>(crc >> 8);
    block[blockSize + 1] = static_cast<unsigned char>(crc);
    return 3 + blockSize + 2;
}

uint32_t XmodemFrame::ymodemHeader(unsigned char *out, const char *path, uint32_t size)
{
    std::memset(out, 0, largeBlock);
    if (!path || !*path)
        return smallBlock;
    // The receiver gets the name alone: where the file lay here means
    // nothing there.
    const char *name = path;
    for (const char *p = path; *p; ++p)
        if (*p == '\\' || *p == '/' || *p == ':')
            name = p + 1;
    char sizeText[12];
    int sizeLength = std::snprintf(sizeText, sizeof sizeText, "%lu", static_cast<unsigned long>(size));
    // Name, NUL, size, and a NUL after it must fit; a name that would not
    // fit even a large block is cut.
    size_t room = largeBlock - size_t(sizeLength) - 2;
    size_t nameLength = strnlen(name, room);
    std::memcpy(out, name, nameLength);
    std::memcpy(out + nameLength + 1, sizeText, size_t(sizeLength));
    return nameLength + 1 + size_t(sizeLength) + 1 <= smallBlock ? smallBlock : largeBlock;
}
