#include "terminal/receive/LogLines.h"

#include <cstring>

#include "terminal/receive/HexDump.h"
#include "terminal/receive/SentLines.h"

namespace {

const int64_t msPerDay = 86400000;
// Days from 1601-01-01 to 1970-01-01.
const int64_t days1601To1970 = 134774;

void digitsOf(uint32_t v, uint32_t width, char *out)
{
    for (uint32_t i = width; i-- > 0; v /= 10)
        out[i] = char('0' + v % 10);
}

// The civil date of a day counted from 1970-01-01 (proleptic Gregorian).
void civilFromDays(int64_t z, int64_t &y, uint32_t &m, uint32_t &d)
{
    z += 719468;
    int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    uint32_t doe = uint32_t(z - era * 146097);
    uint32_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = int64_t(yoe) + era * 400;
    uint32_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    uint32_t mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    if (m <= 2)
        ++y;
}

char shown(unsigned char c)
{
    return (c < 0x20 && c != '\t') || c == 0x7F ? '.' : char(c);
}

const char rx[] = "RX ";
const char tx[] = "TX ";

} // namespace

LogLines::LogLines(LogLineSink &sink)
    : sink(sink), hexMode(false), line(), lineLength(0), open(false), afterCr(false), hexBytes(), hexCount(0),
      hexStart(0), hexTime(0), receivedCount(0)
{
}

uint32_t LogLines::formatStamp(Stamp localMs, char *out)
{
    int64_t days = localMs / msPerDay;
    int64_t ofDay = localMs % msPerDay;
    if (ofDay < 0) {
        ofDay += msPerDay;
        --days;
    }
    int64_t y;
    uint32_t m, d;
    civilFromDays(days - days1601To1970, y, m, d);
    if (y < 0)
        y = 0;
    if (y > 9999)
        y = 9999;
    uint32_t ms = uint32_t(ofDay);
    digitsOf(uint32_t(y), 4, out);
    out[4] = '-';
    digitsOf(m, 2, out + 5);
    out[7] = '-';
    digitsOf(d, 2, out + 8);
    out[10] = ' ';
    digitsOf(ms / 3600000, 2, out + 11);
    out[13] = ':';
    digitsOf(ms / 60000 % 60, 2, out + 14);
    out[16] = ':';
    digitsOf(ms / 1000 % 60, 2, out + 17);
    out[19] = '.';
    digitsOf(ms % 1000, 3, out + 20);
    out[23] = ' ';
    out[24] = '\0';
    return stampChars;
}

void LogLines::begin(const char *direction, Stamp time)
{
    formatStamp(time, line);
    std::memcpy(line + stampChars, direction, directionChars);
    lineLength = prefixChars;
}

void LogLines::putByte(unsigned char c)
{
    line[lineLength++] = shown(c);
}

void LogLines::endLine()
{
    line[lineLength++] = '\r';
    line[lineLength++] = '\n';
    sink.line(line, lineLength);
    lineLength = 0;
}

void LogLines::setHex(bool on)
{
    if (on == hexMode)
        return;
    finish();
    hexMode = on;
}

void LogLines::finish()
{
    if (open) {
        endLine();
        open = false;
    }
    flushHexPart();
}

void LogLines::restart(uint32_t shownBefore)
{
    finish();
    afterCr = false;
    receivedCount = shownBefore;
}

void LogLines::received(const unsigned char *data, uint32_t length, Stamp time)
{
    if (hexMode)
        receivedHex(data, length, time);
    else
        receivedText(data, length, time);
}

void LogLines::receivedText(const unsigned char *data, uint32_t length, Stamp time)
{
    for (uint32_t i = 0; i < length; ++i) {
        unsigned char c = data[i];
        bool wasCr = afterCr;
        afterCr = false;
        if (c == '\n' && wasCr)
            continue;   // the LF of a CR LF whose CR ended the line
        if (c == '\r' || c == '\n') {
            // An end with nothing before it is an empty line of its own.
            if (!open)
                begin(rx, time);
            endLine();
            open = false;
            afterCr = c == '\r';
            continue;
        }
        if (!open) {
            begin(rx, time);
            open = true;
        }
        putByte(c);
        if (lineLength == prefixChars + maxLineBytes) {
            endLine();
            open = false;
        }
    }
    receivedCount += length;
}

void LogLines::hexLine(const char *direction, const unsigned char *bytes, uint32_t count, uint32_t offset,
                       Stamp time)
{
    char dump[HexDump::lineBufferSize];
    uint32_t n = HexDump::formatHexLine(bytes, count, 0, dump);
    // The label is the line's own offset, which need not be a multiple of 8.
    static const char digits[] = "0123456789ABCDEF";
    for (int k = 5; k >= 0; --k, offset >>= 4)
        dump[k] = digits[offset & 0xF];
    begin(direction, time);
    std::memcpy(line + lineLength, dump, n);
    sink.line(line, lineLength + n);
    lineLength = 0;
}

void LogLines::flushHexPart()
{
    if (hexCount == 0)
        return;
    hexLine(rx, hexBytes, hexCount, hexStart, hexTime);
    hexCount = 0;
}

void LogLines::receivedHex(const unsigned char *data, uint32_t length, Stamp time)
{
    for (uint32_t i = 0; i < length; ++i) {
        if (hexCount == 0) {
            hexStart = receivedCount;
            hexTime = time;
        }
        hexBytes[hexCount++] = data[i];
        ++receivedCount;
        if (receivedCount % HexDump::bytesPerLine == 0)
            flushHexPart();
    }
}

namespace {

// The sent lines as the view shows them, each given the log's stamp and
// direction.
class Stamped : public TextSink
{
public:
    Stamped(LogLineSink &sink, LogLines::Stamp time) : sink(sink)
    {
        LogLines::formatStamp(time, out);
        std::memcpy(out + LogLines::stampChars, tx, LogLines::directionChars);
    }
    void putText(const char *text, uint32_t length) override
    {
        if (length > sizeof out - LogLines::prefixChars)
            length = sizeof out - LogLines::prefixChars;
        std::memcpy(out + LogLines::prefixChars, text, length);
        sink.line(out, LogLines::prefixChars + length);
    }
    bool progress(uint32_t) override { return true; }

private:
    LogLineSink &sink;
    char out[LogLines::prefixChars + SentLines::maxLineChars + 2];
};

} // namespace

void LogLines::sent(const unsigned char *data, uint32_t length, Stamp time)
{
    if (length == 0)
        return;
    finish();
    Stamped out(sink, time);
    if (hexMode)
        SentLines::hex(out, data, length, nullptr);
    else
        SentLines::text(out, data, length, nullptr);
}

void LogLines::sentFile(const char *name, uint64_t size, Stamp time)
{
    finish();
    Stamped out(sink, time);
    SentLines::file(out, name, size, nullptr);
}
