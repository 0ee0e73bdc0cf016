#ifndef TESTS_NATIVE_ZMODEMMODEL_H
#define TESTS_NATIVE_ZMODEMMODEL_H

// The far end of a ZMODEM session as a test plays it: frames built and read
// with the codec, one call per frame.

#include <string>
#include <vector>

#include "terminal/transfer/ZmodemFrame.h"
#include "terminal/transfer/ZmodemReader.h"

namespace zmodel {

typedef std::vector<unsigned char> Bytes;

inline Bytes header(ZmodemFrame::Type type, uint32_t position, bool hex = true, bool wide = false)
{
    unsigned char h[4];
    ZmodemFrame::position(h, position);
    Bytes out(ZmodemFrame::maxHeaderBytes);
    out.resize(hex ? ZmodemFrame::hexHeader(out.data(), type, h) : ZmodemFrame::binaryHeader(out.data(), type, h, wide));
    return out;
}

inline Bytes flagsHeader(ZmodemFrame::Type type, unsigned char zf0)
{
    unsigned char h[4] = {0, 0, 0, zf0};
    Bytes out(ZmodemFrame::maxHeaderBytes);
    out.resize(ZmodemFrame::hexHeader(out.data(), type, h));
    return out;
}

inline Bytes subpacket(const std::string &data, unsigned char end, bool wide = true)
{
    Bytes out(ZmodemFrame::maxSubpacketBytes(uint32_t(data.size())));
    out.resize(ZmodemFrame::subpacket(out.data(), reinterpret_cast<const unsigned char *>(data.data()),
                                      uint32_t(data.size()), end, wide, false));
    return out;
}

inline Bytes operator+(Bytes a, const Bytes &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct Frame
{
    ZmodemFrame::Type type;
    uint32_t position;
    unsigned char zf0;
    bool wide;
    std::vector<std::string> data;  // its subpackets
    std::vector<unsigned char> ends;
};

// What a run of bytes holds, frame by frame; damaged parts show as a frame
// of type 0xFF.
class Parser
{
public:
    std::vector<Frame> frames;
    bool cancelled = false;
    void feed(const Bytes &bytes)
    {
        for (unsigned char b : bytes) {
            switch (reader.take(b)) {
            case ZmodemReader::Event::header:
                frames.push_back(Frame{reader.type(), ZmodemFrame::positionOf(reader.header()),
                                       reader.header()[ZmodemFrame::zf0], reader.wideCrc(), {}, {}});
                break;
            case ZmodemReader::Event::subpacket:
                frames.back().data.push_back(
                    std::string(reinterpret_cast<const char *>(reader.data()), reader.dataLength()));
                frames.back().ends.push_back(reader.end());
                break;
            case ZmodemReader::Event::cancelled:
                cancelled = true;
                break;
            case ZmodemReader::Event::badHeader:
            case ZmodemReader::Event::badSubpacket:
                frames.push_back(Frame{static_cast<ZmodemFrame::Type>(0xFF), 0, 0, false, {}, {}});
                break;
            default:
                break;
            }
        }
    }

private:
    ZmodemReader reader;
};

} // namespace zmodel

#endif
