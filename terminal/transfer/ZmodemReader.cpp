#include "terminal/transfer/ZmodemReader.h"

namespace {

int hexValue(unsigned char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool flowControl(unsigned char b)
{
    return b == 0x11 || b == 0x13 || b == 0x91 || b == 0x93;
}

bool carriesData(ZmodemFrame::Type t)
{
    return t == ZmodemFrame::zfile || t == ZmodemFrame::zdata || t == ZmodemFrame::zsinit ||
           t == ZmodemFrame::zcommand;
}

} // namespace

ZmodemReader::ZmodemReader()
    : state(State::hunt), cans(0), escaped(false), wide(false), dataWide(false), fill(0), hexHigh(0), hexHalf(false),
      headerType(ZmodemFrame::zrqinit), frameEnd(0), length(0), fresh(false), checkFill(0)
{
    for (unsigned char &b : headerBytes)
        b = 0;
}

void ZmodemReader::skipData()
{
    state = State::hunt;
    escaped = false;
}

ZmodemReader::Event ZmodemReader::take(unsigned char b)
{
    if (b == ZmodemFrame::zdle) {
        if (++cans >= 5) {
            cans = 0;
            state = State::hunt;
            escaped = false;
            return Event::cancelled;
        }
    } else {
        cans = 0;
    }
    switch (state) {
    case State::hunt:
    case State::pad:
    case State::padZdle:
        return huntByte(b);
    case State::hexHeader:
        return hexByte(b);
    case State::binHeader:
        return binByte(b);
    case State::data:
        return dataByte(b);
    case State::dataCheck:
        return checkByte(b);
    }
    return Event::none;
}

ZmodemReader::Event ZmodemReader::huntByte(unsigned char b)
{
    if (b == ZmodemFrame::zpad) {
        state = State::pad;
        return Event::none;
    }
    if (state == State::pad && b == ZmodemFrame::zdle) {
        state = State::padZdle;
        return Event::none;
    }
    if (state == State::padZdle) {
        fill = 0;
        escaped = false;
        hexHalf = false;
        if (b == ZmodemFrame::zhex) {
            state = State::hexHeader;
            return Event::none;
        }
        if (b == ZmodemFrame::zbin || b == ZmodemFrame::zbin32) {
            wide = b == ZmodemFrame::zbin32;
            state = State::binHeader;
            return Event::none;
        }
    }
    state = State::hunt;
    return Event::none;
}

ZmodemReader::Event ZmodemReader::hexByte(unsigned char b)
{
    int v = hexValue(b & 0x7F);
    if (v < 0) {
        state = State::hunt;
        return Event::badHeader;
    }
    if (!hexHalf) {
        hexHigh = static_cast<unsigned char>(v);
        hexHalf = true;
        return Event::none;
    }
    hexHalf = false;
    raw[fill++] = static_cast<unsigned char>(hexHigh << 4 | v);
    if (fill < 7)
        return Event::none;
    wide = false;
    uint16_t crc = ZmodemFrame::crc16(0, raw, 5);
    state = State::hunt;
    if (raw[5] != (crc >> 8) || raw[6] != (crc & 0xFF))
        return Event::badHeader;
    return headerDone();
}

int ZmodemReader::unescape(unsigned char b)
{
    if (!escaped) {
        if (b == ZmodemFrame::zdle) {
            escaped = true;
            return -1;
        }
        if (flowControl(b))
            return -1;
        return b;
    }
    // CAN after ZDLE: the start of a cancel, which five of them make
    // (counted in take); lrzsz reads on past fewer.
    if (b == ZmodemFrame::zdle)
        return -1;
    escaped = false;
    switch (b) {
    case ZmodemFrame::zcrce:
    case ZmodemFrame::zcrcg:
    case ZmodemFrame::zcrcq:
    case ZmodemFrame::zcrcw:
        frameEnd = b;
        return -2;
    case 'l':
        return 0x7F;
    case 'm':
        return 0xFF;
    default:
        if (flowControl(b)) {
            escaped = true;  // the line's, inside an escape
            return -1;
        }
        if ((b & 0x60) == 0x40)
            return b ^ 0x40;
        return -3;
    }
}

ZmodemReader::Event ZmodemReader::binByte(unsigned char b)
{
    int v = unescape(b);
    if (v == -1)
        return Event::none;
    if (v < 0) {
        state = State::hunt;
        return Event::badHeader;
    }
    raw[fill++] = static_cast<unsigned char>(v);
    uint32_t need = 5 + (wide ? 4 : 2);
    if (fill < need)
        return Event::none;
    state = State::hunt;
    if (wide) {
        uint32_t crc = ~ZmodemFrame::crc32(0xFFFFFFFFu, raw, 5);
        for (int i = 0; i < 4; ++i)
            if (raw[5 + i] != static_cast<unsigned char>(crc >> (8 * i)))
                return Event::badHeader;
    } else {
        uint16_t crc = ZmodemFrame::crc16(0, raw, 5);
        if (raw[5] != (crc >> 8) || raw[6] != (crc & 0xFF))
            return Event::badHeader;
    }
    return headerDone();
}

ZmodemReader::Event ZmodemReader::headerDone()
{
    headerType = static_cast<ZmodemFrame::Type>(raw[0]);
    for (int i = 0; i < 4; ++i)
        headerBytes[i] = raw[1 + i];
    dataWide = wide;
    if (carriesData(headerType)) {
        state = State::data;
        length = 0;
        fresh = false;
        escaped = false;
    }
    return Event::header;
}

ZmodemReader::Event ZmodemReader::dataByte(unsigned char b)
{
    int v = unescape(b);
    if (v == -1)
        return Event::none;
    if (v == -2) {
        if (fresh) {
            fresh = false;
            length = 0;
        }
        state = State::dataCheck;
        checkFill = 0;
        return Event::none;
    }
    if (fresh) {
        fresh = false;
        length = 0;
    }
    if (v == -3 || length == sizeof buffer) {
        state = State::hunt;
        return Event::badSubpacket;
    }
    buffer[length++] = static_cast<unsigned char>(v);
    return Event::none;
}

ZmodemReader::Event ZmodemReader::checkByte(unsigned char b)
{
    int v = unescape(b);
    if (v == -1)
        return Event::none;
    if (v < 0) {
        state = State::hunt;
        return Event::badSubpacket;
    }
    check[checkFill++] = static_cast<unsigned char>(v);
    if (checkFill < (dataWide ? 4u : 2u))
        return Event::none;
    bool good;
    if (dataWide) {
        uint32_t crc = ~ZmodemFrame::crc32(ZmodemFrame::crc32(0xFFFFFFFFu, buffer, length), &frameEnd, 1);
        good = true;
        for (int i = 0; i < 4; ++i)
            good = good && check[i] == static_cast<unsigned char>(crc >> (8 * i));
    } else {
        uint16_t crc = ZmodemFrame::crc16(ZmodemFrame::crc16(0, buffer, length), &frameEnd, 1);
        good = check[0] == (crc >> 8) && check[1] == (crc & 0xFF);
    }
    if (!good) {
        state = State::hunt;
        return Event::badSubpacket;
    }
    bool more = frameEnd == ZmodemFrame::zcrcg || frameEnd == ZmodemFrame::zcrcq;
    state = more ? State::data : State::hunt;
    // The data stays for the caller until the next subpacket's first byte.
    fresh = true;
    return Event::subpacket;
}
