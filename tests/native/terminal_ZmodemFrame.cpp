#include <gtest/gtest.h>

#include "terminal/transfer/ZmodemFrame.h"
#include "terminal/transfer/ZmodemReader.h"

#include <string>
#include <vector>

namespace {

typedef std::vector<unsigned char> Bytes;

std::string text(const unsigned char *b, uint32_t n) { return std::string(reinterpret_cast<const char *>(b), n); }

// Feeds bytes one at a time; the events, in order.
std::vector<ZmodemReader::Event> feed(ZmodemReader &r, const Bytes &bytes, std::vector<Bytes> *data = nullptr)
{
    std::vector<ZmodemReader::Event> events;
    for (unsigned char b : bytes) {
        ZmodemReader::Event e = r.take(b);
        if (e == ZmodemReader::Event::none)
            continue;
        events.push_back(e);
        if (e == ZmodemReader::Event::subpacket && data)
            data->push_back(Bytes(r.data(), r.data() + r.dataLength()));
    }
    return events;
}

Bytes header(ZmodemFrame::Type type, uint32_t position, bool hex, bool wide)
{
    unsigned char h[4];
    ZmodemFrame::position(h, position);
    Bytes out(ZmodemFrame::maxHeaderBytes);
    uint32_t n = hex ? ZmodemFrame::hexHeader(out.data(), type, h) : ZmodemFrame::binaryHeader(out.data(), type, h, wide);
    out.resize(n);
    return out;
}

Bytes allBytes()
{
    Bytes b;
    for (int i = 0; i < 256; ++i)
        b.push_back(static_cast<unsigned char>(i));
    b.push_back('@');
    b.push_back('\r');
    return b;
}

} // namespace

TEST(ZmodemFrame, HexHeadersAreTheBytesLrzszReads)
{
    unsigned char out[ZmodemFrame::maxHeaderBytes];
    unsigned char init[4] = {0, 0, 0, 0x23};
    EXPECT_EQ(text(out, ZmodemFrame::hexHeader(out, ZmodemFrame::zrinit, init)),
              std::string("**\x18" "B0100000023be50\r\x8a\x11"));
    unsigned char zero[4] = {0, 0, 0, 0};
    EXPECT_EQ(text(out, ZmodemFrame::hexHeader(out, ZmodemFrame::zrqinit, zero)),
              std::string("**\x18" "B00000000000000\r\x8a\x11"));
    // The session's last frames carry no XON that would follow as text.
    uint32_t n = ZmodemFrame::hexHeader(out, ZmodemFrame::zfin, zero);
    EXPECT_EQ(out[n - 1], 0x8A);
}

// Every byte value, in subpackets of every kind and both CRCs, read back a
// byte at a time as they were sent; nothing the line may take for its own
// (XON, XOFF, DLE, a bare CAN) is on the line unescaped.
TEST(ZmodemFrame, EverySubpacketReadsBackAsItWasSent)
{
    Bytes data = allBytes();
    for (bool wide : {false, true}) {
        for (bool escapeControl : {false, true}) {
            Bytes line = header(ZmodemFrame::zdata, 0, false, wide);
            std::vector<unsigned char> ends = {ZmodemFrame::zcrcg, ZmodemFrame::zcrcq, ZmodemFrame::zcrcw};
            for (unsigned char end : ends) {
                Bytes sp(ZmodemFrame::maxSubpacketBytes(uint32_t(data.size())));
                sp.resize(ZmodemFrame::subpacket(sp.data(), data.data(), uint32_t(data.size()), end, wide,
                                                 escapeControl));
                for (size_t i = 0; i + (end == ZmodemFrame::zcrcw ? 1 : 0) < sp.size(); ++i) {
                    unsigned char b = sp[i];
                    EXPECT_TRUE(b != 0x11 && b != 0x13 && b != 0x91 && b != 0x93 && b != 0x10 && b != 0x90);
                    if (b == ZmodemFrame::zdle) {
                        ASSERT_LT(i + 1, sp.size());
                        ++i;
                    }
                }
                line.insert(line.end(), sp.begin(), sp.end());
                if (end == ZmodemFrame::zcrcw)
                    break;
            }
            ZmodemReader r;
            std::vector<Bytes> got;
            auto events = feed(r, line, &got);
            ASSERT_EQ(events.size(), 4u);
            EXPECT_EQ(events[0], ZmodemReader::Event::header);
            EXPECT_EQ(r.wideCrc(), wide);
            for (const Bytes &g : got)
                EXPECT_EQ(g, data);
            EXPECT_EQ(r.end(), ZmodemFrame::zcrcw);
            EXPECT_TRUE(r.hunting());
        }
    }
}

TEST(ZmodemFrame, ReaderDropsFlowControlAndReportsDamageAndCancel)
{
    Bytes data = {1, 2, 3, 0x18, 0x11, 4};
    Bytes sp(64);
    sp.resize(ZmodemFrame::subpacket(sp.data(), data.data(), uint32_t(data.size()), ZmodemFrame::zcrce, true, false));
    Bytes head = header(ZmodemFrame::zdata, 1234, false, true);
    // XON and XOFF the line slipped in are not data.
    Bytes line = head;
    for (unsigned char b : sp) {
        line.push_back(b);
        line.push_back(0x13);
        line.push_back(0x11);
    }
    ZmodemReader r;
    std::vector<Bytes> got;
    auto events = feed(r, line, &got);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(ZmodemFrame::positionOf(r.header()), 1234u);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0], data);
    // A flipped byte in the data, then in a header.
    line = head;
    line.insert(line.end(), sp.begin(), sp.end());
    line[head.size() + 1] ^= 0x01;
    EXPECT_EQ(feed(r, line), (std::vector<ZmodemReader::Event>{ZmodemReader::Event::header,
                                                                ZmodemReader::Event::badSubpacket}));
    Bytes hex = header(ZmodemFrame::zrpos, 77, true, false);
    hex[6] = hex[6] == '0' ? '1' : '0';
    EXPECT_EQ(feed(r, hex), std::vector<ZmodemReader::Event>{ZmodemReader::Event::badHeader});
    // Five CAN, even inside data.
    line = head;
    line.insert(line.end(), {'a', 'b', 0x18, 0x18, 0x18, 0x18, 0x18});
    EXPECT_EQ(feed(r, line),
              (std::vector<ZmodemReader::Event>{ZmodemReader::Event::header, ZmodemReader::Event::cancelled}));
}
