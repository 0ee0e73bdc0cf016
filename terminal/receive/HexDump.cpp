#include "terminal/receive/HexDump.h"

#include <cstring>

namespace {

// Each byte's two hex digits and the character it shows as, looked up: a
// flood in hex formats a line for every eight bytes it brings.
struct HexTables
{
    char pairs[256][2];
    char shown[256];
    HexTables()
    {
        const char digits[] = "0123456789ABCDEF";
        for (int b = 0; b < 256; ++b) {
            pairs[b][0] = digits[b >> 4];
            pairs[b][1] = digits[b & 0xF];
            shown[b] = HexDump::shownChar(static_cast<unsigned char>(b));
        }
    }
};

const HexTables tables;

} // namespace

char HexDump::shownChar(unsigned char byte)
{
    return (byte < 0x20 || byte == 0x7F) ? '.' : char(byte);
}

uint32_t HexDump::lineLength(uint32_t count)
{
    if (count >= bytesPerLine)
        return fullLineChars;
    return shortLineBase + count;
}

uint32_t HexDump::formatHexLine(const unsigned char *bytes, uint32_t count, uint32_t lineNumber, char *out)
{
    return formatHexLineAt(bytes, count, lineNumber * uint32_t(bytesPerLine), out);
}

uint32_t HexDump::formatHexLineAt(const unsigned char *bytes, uint32_t count, uint32_t offset, char *out)
{
    if (count < 1)
        count = 1;
    if (count > bytesPerLine)
        count = bytesPerLine;
    offset &= 0xFFFFFFu;
    std::memcpy(out, tables.pairs[offset >> 16], 2);
    std::memcpy(out + 2, tables.pairs[(offset >> 8) & 0xFF], 2);
    std::memcpy(out + 4, tables.pairs[offset & 0xFF], 2);
    out[6] = ' ';
    uint32_t k = 7;
    for (uint32_t i = 0; i < count; ++i, k += 2)
        std::memcpy(out + k, tables.pairs[bytes[i]], 2);
    for (uint32_t i = count; i < bytesPerLine; ++i, k += 2)
        out[k] = out[k + 1] = ' ';
    out[k++] = ' ';
    for (uint32_t i = 0; i < count; ++i)
        out[k++] = tables.shown[bytes[i]];
    out[k++] = '\r';
    out[k++] = '\n';
    out[k] = '\0';
    return k;
}

uint32_t HexDump::tailBytes(uint32_t textLength, uint32_t lineCount, uint32_t historyBytes, uint32_t firstLine)
{
    uint32_t r = textLength % fullLineChars;
    if (r <= shortLineBase || lineCount <= firstLine)
        return 0;
    uint32_t m = r - shortLineBase;
    // The view must be exactly the lines it is said to hold, the last one
    // short: a view cut by an abort or a control that counts line ends
    // differently fails this and simply gets a fresh line.
    if (uint64_t(lineCount - firstLine - 1) * fullLineChars + r != textLength)
        return 0;
    if (m > historyBytes)
        return 0;
    return m;
}

bool HexDump::renderChunk(HexSink &sink, const unsigned char *history, uint32_t historyBytes,
                          const unsigned char *data, uint32_t length, uint32_t textLength,
                          uint32_t *lineCount, uint32_t firstLine)
{
    uint32_t m = tailBytes(textLength, *lineCount, historyBytes, firstLine);
    uint32_t offset = m ? (*lineCount - 1) * uint32_t(bytesPerLine) + m : *lineCount * uint32_t(bytesPerLine);
    return renderFrom(sink, history + historyBytes - m, m, offset, data, length, 0, lineCount);
}

bool HexDump::renderFrom(HexSink &sink, const unsigned char *tail, uint32_t m, uint32_t offset,
                         const unsigned char *data, uint32_t length, uint32_t base, uint32_t *newLines)
{
    char line[lineBufferSize];
    uint32_t used = 0;
    if (m >= bytesPerLine)
        m = 0;
    if (m != 0) {
        unsigned char bytes[bytesPerLine];
        for (uint32_t i = 0; i < m; ++i)
            bytes[i] = tail[i];
        uint32_t n = m;
        while (n < bytesPerLine && used < length)
            bytes[n++] = data[used++];
        sink.eraseTail(lineLength(m));
        uint32_t len = formatHexLineAt(bytes, n, offset - m, line);
        if (!sink.putLine(line, len, base))
            return false;
    }
    while (used < length) {
        uint32_t first = used;
        uint32_t n = length - used;
        if (n > bytesPerLine)
            n = bytesPerLine;
        uint32_t len = formatHexLineAt(data + used, n, offset + used, line);
        used += n;
        if (newLines)
            *newLines += 1;
        if (!sink.putLine(line, len, base + first))
            return false;
    }
    return true;
}
