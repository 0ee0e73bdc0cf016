#include "terminal/transfer/ZmodemFrame.h"

namespace {

const char hexDigits[] = "0123456789abcdef";

struct Crc32Table
{
    uint32_t entry[256];
    Crc32Table()
    {
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int bit = 0; bit < 8; ++bit)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            entry[i] = c;
        }
    }
};

const Crc32Table crcTable;

uint32_t putEscaped(unsigned char *out, unsigned char b, unsigned char &prev, bool escapeControl)
{
    uint32_t n = 0;
    if (ZmodemFrame::needsEscape(b, prev, escapeControl)) {
        out[n++] = ZmodemFrame::zdle;
        out[n++] = b ^ 0x40;
    } else {
        out[n++] = b;
    }
    prev = b;
    return n;
}

uint32_t putHex(unsigned char *out, unsigned char b)
{
    out[0] = static_cast<unsigned char>(hexDigits[b >> 4]);
    out[1] = static_cast<unsigned char>(hexDigits[b & 15]);
    return 2;
}

} // namespace

uint32_t ZmodemFrame::crc32(uint32_t crc, const unsigned char *data, uint32_t count)
{
    for (uint32_t i = 0; i < count; ++i)
        crc = crcTable.entry[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return crc;
}

uint16_t ZmodemFrame::crc16(uint16_t crc, const unsigned char *data, uint32_t count)
{
    for (uint32_t i = 0; i < count; ++i) {
        crc = uint16_t(crc ^ (uint16_t(data[i]) << 8));
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x8000) ? uint16_t((crc << 1) ^ 0x1021) : uint16_t(crc << 1);
    }
    return crc;
}

void ZmodemFrame::position(unsigned char header[4], uint32_t offset)
{
    for (int i = 0; i < 4; ++i)
        header[i] = static_cast<unsigned char>(offset >> (8 * i));
}

uint32_t ZmodemFrame::positionOf(const unsigned char header[4])
{
    return uint32_t(header[0]) | uint32_t(header[1]) << 8 | uint32_t(header[2]) << 16 | uint32_t(header[3]) << 24;
}

bool ZmodemFrame::needsEscape(unsigned char b, unsigned char prev, bool escapeControl)
{
    switch (b) {
    case zdle:
    case 0x10: case 0x90:  // DLE: telnet and modems take it for themselves
    case 0x11: case 0x91:  // XON
    case 0x13: case 0x93:  // XOFF
        return true;
    case 0x0D: case 0x8D:  // CR after '@': "@\r" makes some networks hang up
        return escapeControl || (prev & 0x7F) == '@';
    default:
        return escapeControl && (b & 0x60) == 0;
    }
}

uint32_t ZmodemFrame::hexHeader(unsigned char *out, Type type, const unsigned char header[4])
{
    unsigned char bytes[5] = {type, header[0], header[1], header[2], header[3]};
    uint16_t crc = crc16(0, bytes, 5);
    uint32_t n = 0;
    out[n++] = zpad;
    out[n++] = zpad;
    out[n++] = zdle;
    out[n++] = zhex;
    for (unsigned char b : bytes)
        n += putHex(out + n, b);
    n += putHex(out + n, static_cast<unsigned char>(crc >> 8));
    n += putHex(out + n, static_cast<unsigned char>(crc));
    out[n++] = '\r';
    out[n++] = 0x8A;
    // XON, for a sender stopped by an XOFF in line noise; not after the
    // last frames, where it would be read as the next session's text.
    if (type != zfin && type != zack)
        out[n++] = xon;
    return n;
}

uint32_t ZmodemFrame::binaryHeader(unsigned char *out, Type type, const unsigned char header[4], bool wide)
{
    unsigned char bytes[9] = {type, header[0], header[1], header[2], header[3]};
    uint32_t length = 5;
    if (wide) {
        uint32_t crc = ~crc32(0xFFFFFFFFu, bytes, 5);
        for (int i = 0; i < 4; ++i)
            bytes[length++] = static_cast<unsigned char>(crc >> (8 * i));
    } else {
        uint16_t crc = crc16(0, bytes, 5);
        bytes[length++] = static_cast<unsigned char>(crc >> 8);
        bytes[length++] = static_cast<unsigned char>(crc);
    }
    uint32_t n = 0;
    out[n++] = zpad;
    out[n++] = zdle;
    out[n++] = wide ? zbin32 : zbin;
    unsigned char prev = 0;
    for (uint32_t i = 0; i < length; ++i)
        n += putEscaped(out + n, bytes[i], prev, false);
    return n;
}

uint32_t ZmodemFrame::subpacket(unsigned char *out, const unsigned char *data, uint32_t count, unsigned char end,
                                bool wide, bool escapeControl)
{
    uint32_t n = 0;
    unsigned char prev = 0;
    for (uint32_t i = 0; i < count; ++i)
        n += putEscaped(out + n, data[i], prev, escapeControl);
    out[n++] = zdle;
    out[n++] = end;
    unsigned char check[4];
    uint32_t checkLength;
    if (wide) {
        uint32_t crc = ~crc32(crc32(0xFFFFFFFFu, data, count), &end, 1);
        for (int i = 0; i < 4; ++i)
            check[i] = static_cast<unsigned char>(crc >> (8 * i));
        checkLength = 4;
    } else {
        uint16_t crc = crc16(crc16(0, data, count), &end, 1);
        check[0] = static_cast<unsigned char>(crc >> 8);
        check[1] = static_cast<unsigned char>(crc);
        checkLength = 2;
    }
    prev = end;
    for (uint32_t i = 0; i < checkLength; ++i)
        n += putEscaped(out + n, check[i], prev, escapeControl);
    if (end == zcrcw)
        out[n++] = xon;
    return n;
}
