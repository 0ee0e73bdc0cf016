#include <gtest/gtest.h>

#include "terminal/transfer/XmodemFrame.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

const unsigned char *bytes(const char *text)
{
    return reinterpret_cast<const unsigned char *>(text);
}

} // namespace

TEST(XmodemFrame, CrcAndChecksumMatchKnownVectors)
{
    // CRC-16/XMODEM check value and single-byte values from the protocol's tables.
    EXPECT_EQ(XmodemFrame::crc16(bytes("123456789"), 9), 0x31C3);
    EXPECT_EQ(XmodemFrame::crc16(bytes("A"), 1), 0x58E5);
    EXPECT_EQ(XmodemFrame::crc16(bytes(""), 0), 0x0000);
    EXPECT_EQ(XmodemFrame::checksum(bytes("123456789"), 9), 0xDD);
    std::vector<unsigned char> ff(128, 0xFF);
    EXPECT_EQ(XmodemFrame::checksum(ff.data(), 128), 0x80);
}

struct FrameCase
{
    uint32_t number;
    uint32_t blockSize;
    bool crc;
    unsigned char start, numberByte, complement;
    uint32_t length;
};

class XmodemFrameLayout : public ::testing::TestWithParam<FrameCase>
{
};

TEST_P(XmodemFrameLayout, HeaderDataPaddingAndCheck)
{
    const FrameCase &c = GetParam();
    unsigned char out[XmodemFrame::maxFrameBytes + 1];
    std::memset(out, 0xEE, sizeof out);
    uint32_t n = XmodemFrame::frame(out, c.number, bytes("AB"), 2, c.blockSize, c.crc);
    ASSERT_EQ(n, c.length);
    EXPECT_EQ(out[0], c.start);
    EXPECT_EQ(out[1], c.numberByte);
    EXPECT_EQ(out[2], c.complement);
    EXPECT_EQ(out[3], 'A');
    EXPECT_EQ(out[4], 'B');
    for (uint32_t i = 2; i < c.blockSize; ++i)
        ASSERT_EQ(out[3 + i], 0x1A) << i;
    if (c.crc) {
        uint16_t crc = XmodemFrame::crc16(out + 3, c.blockSize);
        EXPECT_EQ(out[3 + c.blockSize], crc >> 8);
        EXPECT_EQ(out[4 + c.blockSize], crc & 0xFF);
    } else {
        EXPECT_EQ(out[3 + c.blockSize], XmodemFrame::checksum(out + 3, c.blockSize));
    }
    EXPECT_EQ(out[n], 0xEE);   // nothing written past the frame
}

INSTANTIATE_TEST_SUITE_P(Blocks, XmodemFrameLayout,
                         ::testing::Values(FrameCase{1, 128, true, 0x01, 0x01, 0xFE, 133},
                                           FrameCase{1, 128, false, 0x01, 0x01, 0xFE, 132},
                                           FrameCase{2, 1024, true, 0x02, 0x02, 0xFD, 1029},
                                           FrameCase{255, 128, true, 0x01, 0xFF, 0x00, 133},
                                           FrameCase{256, 1024, true, 0x02, 0x00, 0xFF, 1029}));

TEST(XmodemFrame, KnownCrcFrameOfOneByte)
{
    // "A" padded with ^Z to 128 bytes: the CRC a receiver checks it against.
    std::vector<unsigned char> block(128, 0x1A);
    block[0] = 'A';
    unsigned char out[XmodemFrame::maxFrameBytes];
    XmodemFrame::frame(out, 1, bytes("A"), 1, 128, true);
    EXPECT_EQ(std::vector<unsigned char>(out + 3, out + 131), block);
    uint16_t crc = XmodemFrame::crc16(block.data(), 128);
    EXPECT_EQ((out[131] << 8) | out[132], crc);
}

TEST(XmodemFrame, YmodemHeaderHoldsTheBareNameAndSize)
{
    unsigned char out[XmodemFrame::largeBlock];
    EXPECT_EQ(XmodemFrame::ymodemHeader(out, "C:\\firmware\\boot image.bin", 1025), 128u);
    const char expected[] = "boot image.bin\0" "1025";
    EXPECT_EQ(std::memcmp(out, expected, sizeof expected), 0);
    for (uint32_t i = sizeof expected; i < XmodemFrame::largeBlock; ++i)
        ASSERT_EQ(out[i], 0) << i;

    EXPECT_EQ(XmodemFrame::ymodemHeader(out, "Z:/tmp/x", 0), 128u);
    EXPECT_EQ(std::memcmp(out, "x\0" "0\0", 4), 0);
}

TEST(XmodemFrame, YmodemHeaderTakesALargeBlockForALongNameAndEndsABatchEmpty)
{
    unsigned char out[XmodemFrame::largeBlock];
    std::string name(200, 'n');
    EXPECT_EQ(XmodemFrame::ymodemHeader(out, name.c_str(), 7), 1024u);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(out)), name);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(out) + 201), "7");

    // A name that fills 128 bytes exactly with its size still fits.
    std::string fits(128 - 2 - 3, 'f');
    EXPECT_EQ(XmodemFrame::ymodemHeader(out, fits.c_str(), 100), 128u);
    EXPECT_EQ(XmodemFrame::ymodemHeader(out, (fits + "f").c_str(), 100), 1024u);

    std::memset(out, 0x55, sizeof out);
    EXPECT_EQ(XmodemFrame::ymodemHeader(out, "", 0), 128u);
    EXPECT_EQ(std::vector<unsigned char>(out, out + 128), std::vector<unsigned char>(128, 0));
}
