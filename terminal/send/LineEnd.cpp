#include "terminal/send/LineEnd.h"

#include <cstring>

#include "terminal/send/Escapes.h"

namespace {

const char *const labels[LineEnd::kinds] = {"None", "CR", "LF", "CR+LF"};

uint32_t putEnd(LineEnd::Kind kind, char *out)
{
    switch (kind) {
    case LineEnd::cr:
        out[0] = '\r';
        return 1;
    case LineEnd::lf:
        out[0] = '\n';
        return 1;
    case LineEnd::crLf:
        out[0] = '\r';
        out[1] = '\n';
        return 2;
    default:
        return 0;
    }
}

} // namespace

const char *LineEnd::label(Kind kind)
{
    return kind < kinds ? labels[kind] : labels[none];
}

LineEnd::Kind LineEnd::fromStored(uint32_t value)
{
    return value < kinds ? Kind(value) : none;
}

uint32_t LineEnd::compose(const char *text, uint32_t length, Kind kind, char *out)
{
    if (length == 0)
        return 0;
    if (kind == none || kind >= kinds) {
        std::memcpy(out, text, length);
        return Escapes::decodeEscapes(out, length);
    }
    uint32_t written = 0;
    uint32_t i = 0;
    while (i < length) {
        uint32_t j = i;
        while (j < length && text[j] != '\r' && text[j] != '\n')
            ++j;
        // The line is copied and decoded where it lands: decoding never
        // makes a text longer.
        std::memcpy(out + written, text + i, j - i);
        written += Escapes::decodeEscapes(out + written, j - i);
        written += putEnd(kind, out + written);
        if (j < length && text[j] == '\r' && j + 1 < length && text[j + 1] == '\n')
            ++j;
        i = j + 1;
        // A break that ends the box is the line end itself.
    }
    return written;
}
