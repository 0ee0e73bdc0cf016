#include "terminal/receive/TextDump.h"

char TextDump::dotted(unsigned char byte)
{
    return (byte < 0x20 || byte == 0x7F) ? '.' : char(byte);
}

bool TextDump::render(TextSink &sink, const unsigned char *data, uint32_t length, char *scratch)
{
    if (length <= shortLimit)
        return renderShort(sink, data, length);
    return renderLong(sink, data, length, scratch);
}

bool TextDump::renderShort(TextSink &sink, const unsigned char *data, uint32_t length)
{
    uint32_t i = 0;
    uint32_t emptyRun = 0;
    while (i < length) {
        uint32_t start = i;
        while (i < length && data[i] != 0)
            ++i;
        bool segment = i > start;
        if (segment)
            sink.putText(reinterpret_cast<const char *>(data + start), i - start);
        if (i < length) {
            sink.putText(".", 1);
            ++i;
        }
        // Runs of NULs would otherwise redraw the progress for every byte.
        if (segment) {
            emptyRun = 0;
            if (!sink.progress(i))
                return false;
        } else if (++emptyRun % nulProgressStep == 0) {
            if (!sink.progress(i))
                return false;
        }
    }
    return true;
}

bool TextDump::renderLong(TextSink &sink, const unsigned char *data, uint32_t length, char *scratch)
{
    uint32_t i = 0;
    bool finished = true;
    for (; i < length; ++i) {
        if (i % longProgressStep == 0 && i != 0 && !sink.progress(i)) {
            finished = false;
            break;
        }
        scratch[i] = dotted(data[i]);
    }
    scratch[i] = '\0';
    sink.putText(scratch, i);
    return finished;
}
