#include "terminal/receive/SentLines.h"

#include <cstring>

#include "terminal/receive/HexDump.h"
#include "terminal/receive/TimedText.h"

namespace {

char shown(unsigned char c)
{
    return (c < 0x20 && c != '\t') || c == 0x7F ? '.' : char(c);
}

// One line at a time: the time, the characters, CR LF.
class Line
{
public:
    explicit Line(const int64_t *time) : length(0)
    {
        if (time)
            length = TimedText::formatTime(*time, chars);
        start = length;
    }
    void put(char c) { chars[length++] = c; }
    void put(const char *text, uint32_t n)
    {
        std::memcpy(chars + length, text, n);
        length += n;
    }
    uint32_t body() const { return length - start; }
    void end(TextSink &sink)
    {
        chars[length++] = '\r';
        chars[length++] = '\n';
        sink.putText(chars, length);
        length = start;
    }

private:
    char chars[TimedText::prefixChars + 1 + SentLines::maxLineChars + 2];
    uint32_t length;
    uint32_t start;
};

} // namespace

bool SentLines::text(TextSink &sink, const unsigned char *data, uint32_t length, const int64_t *time)
{
    Line line(time);
    uint32_t i = 0;
    while (i < length) {
        while (i < length && data[i] != '\r' && data[i] != '\n' && line.body() < maxLineChars)
            line.put(shown(data[i++]));
        if (i < length && data[i] == '\r' && i + 1 < length && data[i + 1] == '\n')
            i += 2;
        else if (i < length && (data[i] == '\r' || data[i] == '\n'))
            ++i;
        line.end(sink);
        if (!sink.progress(i))
            return false;
    }
    return true;
}

bool SentLines::hex(TextSink &sink, const unsigned char *data, uint32_t length, const int64_t *time)
{
    const uint32_t per = HexDump::bytesPerLine;
    Line line(time);
    char dump[HexDump::lineBufferSize];
    for (uint32_t at = 0; at < length; at += per) {
        uint32_t n = length - at < per ? length - at : per;
        // Without its CR LF, which the line puts.
        line.put(dump, HexDump::formatHexLine(data + at, n, at / per, dump) - 2);
        line.end(sink);
        if (!sink.progress(at + n))
            return false;
    }
    return true;
}

bool SentLines::file(TextSink &sink, const char *name, uint64_t size, const int64_t *time)
{
    Line line(time);
    line.put("File ", 5);
    for (uint32_t i = 0; name && name[i] && i < maxName; ++i)
        line.put(shown(static_cast<unsigned char>(name[i])));
    char digits[24];
    uint32_t n = 0;
    do {
        digits[n++] = char('0' + size % 10);
        size /= 10;
    } while (size);
    line.put(", ", 2);
    while (n)
        line.put(digits[--n]);
    line.put(" bytes", 6);
    line.end(sink);
    return sink.progress(1);
}
