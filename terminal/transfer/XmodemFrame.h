#ifndef TERMINAL_XMODEMFRAME_H
#define TERMINAL_XMODEMFRAME_H

#include <cstdint>

// The bytes of the XMODEM family on the line: control bytes, the framing of
// one block and its check (CRC-16 or the 8-bit sum), and YMODEM's block 0.
class XmodemFrame
{
public:
    static constexpr unsigned char soh = 0x01;  // a 128-byte block follows
    static constexpr unsigned char stx = 0x02;  // a 1024-byte block follows
    static constexpr unsigned char eot = 0x04;
    static constexpr unsigned char ack = 0x06;
    static constexpr unsigned char nak = 0x15;
    static constexpr unsigned char can = 0x18;
    static constexpr unsigned char crcRequest = 'C';
    static constexpr unsigned char padByte = 0x1A;  // ^Z fills the last block

    static constexpr uint32_t smallBlock = 128;
    static constexpr uint32_t largeBlock = 1024;
    // Start byte, number, its complement, data, two CRC bytes.
    static constexpr uint32_t maxFrameBytes = 3 + largeBlock + 2;

    // CRC-16 of the XMODEM family: polynomial 0x1021, start 0, not reflected.
    static uint16_t crc16(const unsigned char *data, uint32_t count);
    // The low byte of the sum of the bytes.
    static unsigned char checksum(const unsigned char *data, uint32_t count);

    // Frames block `number` (kept modulo 256) of blockSize bytes (128 or
    // 1024) into out, which holds maxFrameBytes: count bytes of data, then
    // ^Z up to the block's size. Returns the frame's length.
    static uint32_t frame(unsigned char *out, uint32_t number, const unsigned char *data, uint32_t count,
                          uint32_t blockSize, bool useCrc);

    // YMODEM's block 0 data for a file: its name without folders, a NUL, the
    // size in decimal, NULs to the end of the block. An empty name gives the
    // empty block 0 that ends a batch. Returns the block's size (128, or
    // 1024 for a name too long for 128); out holds largeBlock bytes.
    static uint32_t ymodemHeader(unsigned char *out, const char *path, uint32_t size);
};

#endif
