#ifndef TERMINAL_ZMODEMREADER_H
#define TERMINAL_ZMODEMREADER_H

#include <cstdint>

#include "terminal/transfer/ZmodemFrame.h"

// Reads ZMODEM from the line a byte at a time: finds headers (hex, or
// binary with CRC-16 or CRC-32) among whatever else arrives, undoes the
// ZDLE escapes, checks CRCs, and after a header that carries data (ZFILE,
// ZDATA, ZSINIT, ZCOMMAND) reads its subpackets until one ends the frame.
// Raw XON and XOFF inside binary parts are the line's and are dropped.
// Five CAN in a row, anywhere, are the far end giving up.
class ZmodemReader
{
public:
    enum class Event
    {
        none,
        header,       // type() and header() hold it
        badHeader,    // a header with a bad CRC or bad hex
        subpacket,    // data()/dataLength(), end() (zcrce..zcrcw)
        badSubpacket, // a bad CRC, or too long: the rest of the frame is lost
        cancelled,    // CAN CAN CAN CAN CAN
    };

    ZmodemReader();

    Event take(unsigned char b);
    // Stop reading the frame's data (it is at the wrong place): look for
    // the next header.
    void skipData();

    ZmodemFrame::Type type() const { return headerType; }
    const unsigned char *header() const { return headerBytes; }
    // Whether the last header was binary with CRC-32, as its data is.
    bool wideCrc() const { return dataWide; }
    const unsigned char *data() const { return buffer; }
    uint32_t dataLength() const { return length; }
    unsigned char end() const { return frameEnd; }
    // Outside every header and its data: what comes now may be text.
    bool hunting() const { return state == State::hunt; }

private:
    enum class State { hunt, pad, padZdle, hexHeader, binHeader, data, dataCheck };

    Event huntByte(unsigned char b);
    Event hexByte(unsigned char b);
    Event binByte(unsigned char b);
    Event dataByte(unsigned char b);
    Event checkByte(unsigned char b);
    Event headerDone();
    // ZDLE decoding: a byte's value, or -1 while an escape is pending; -2
    // for a frame end (in frameEnd), -3 for a bad escape.
    int unescape(unsigned char b);

    State state;
    uint32_t cans;
    bool escaped;
    bool wide;          // the header being read is CRC-32
    bool dataWide;
    uint32_t fill;
    unsigned char raw[9];
    unsigned char hexHigh;
    bool hexHalf;
    ZmodemFrame::Type headerType;
    unsigned char headerBytes[4];
    unsigned char frameEnd;
    uint32_t length;
    bool fresh;         // the next data byte starts a new subpacket
    uint32_t checkFill;
    unsigned char check[4];
    unsigned char buffer[ZmodemFrame::maxData];
};

#endif
