#ifndef TERMINAL_ZMODEMFRAME_H
#define TERMINAL_ZMODEMFRAME_H

#include <cstdint>

// The bytes of ZMODEM on the line: frame types and flags, the escaping of
// ZDLE and flow-control bytes, headers in hex and binary with CRC-16 or
// CRC-32, and data subpackets.
class ZmodemFrame
{
public:
    static constexpr unsigned char zpad = '*';
    static constexpr unsigned char zdle = 0x18;  // also CAN
    static constexpr unsigned char zbin = 'A';    // binary header, CRC-16
    static constexpr unsigned char zhex = 'B';    // hex header, CRC-16
    static constexpr unsigned char zbin32 = 'C';  // binary header, CRC-32
    static constexpr unsigned char xon = 0x11;

    // What ends a data subpacket, after ZDLE.
    static constexpr unsigned char zcrce = 'h';  // end of frame; header follows
    static constexpr unsigned char zcrcg = 'i';  // more follows, no answer wanted
    static constexpr unsigned char zcrcq = 'j';  // more follows, ZACK wanted
    static constexpr unsigned char zcrcw = 'k';  // end of frame, ZACK wanted

    enum Type : unsigned char
    {
        zrqinit = 0, zrinit = 1, zsinit = 2, zack = 3, zfile = 4, zskip = 5, znak = 6, zabort = 7,
        zfin = 8, zrpos = 9, zdata = 10, zeof = 11, zferr = 12, zcrc = 13, zchallenge = 14, zcompl = 15,
        zcan = 16, zfreecnt = 17, zcommand = 18, zstderr = 19,
    };

    // ZRINIT's capabilities, in its ZF0.
    static constexpr unsigned char canfdx = 0x01;   // full duplex
    static constexpr unsigned char canovio = 0x02;  // receives while it writes the file
    static constexpr unsigned char canfc32 = 0x20;  // CRC-32
    static constexpr unsigned char escctl = 0x40;   // wants every control byte escaped
    // ZFILE's ZF0: a binary file, taken as it is.
    static constexpr unsigned char zcbin = 1;

    // Header bytes: ZF0 is the fourth, ZP0 (a position's low byte) the first.
    static constexpr int zf0 = 3, zf1 = 2, zp0 = 0;

    // The largest data subpacket taken, and the largest encoding of any
    // subpacket or header: every byte escaped, its end, a CRC-32.
    static constexpr uint32_t maxData = 8192;
    static constexpr uint32_t maxSubpacketBytes(uint32_t data) { return 2 * data + 2 + 2 * 4 + 1; }
    static constexpr uint32_t maxHeaderBytes = 4 + 2 * (5 + 4) + 4;

    static uint32_t crc32(uint32_t crc, const unsigned char *data, uint32_t count);
    static uint16_t crc16(uint16_t crc, const unsigned char *data, uint32_t count);

    // A position (ZRPOS, ZDATA, ZEOF, ZACK) as header bytes, and back.
    static void position(unsigned char header[4], uint32_t offset);
    static uint32_t positionOf(const unsigned char header[4]);

    // A header into out (maxHeaderBytes): hex, as the first frames and the
    // answers go; binary with CRC-16 or CRC-32 before data. Returns its length.
    static uint32_t hexHeader(unsigned char *out, Type type, const unsigned char header[4]);
    static uint32_t binaryHeader(unsigned char *out, Type type, const unsigned char header[4], bool crc32);
    // A data subpacket: data escaped, ZDLE and its end, the CRC of both.
    static uint32_t subpacket(unsigned char *out, const unsigned char *data, uint32_t count, unsigned char end,
                              bool crc32, bool escapeControl);

    // Whether b is sent as ZDLE and b ^ 0x40 (after prev, the byte before).
    static bool needsEscape(unsigned char b, unsigned char prev, bool escapeControl);
};

#endif
