#include "terminal/send/Escapes.h"

int Escapes::hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

uint32_t Escapes::decodeEscapes(char *text, uint32_t length)
{
    uint32_t out = 0;
    uint32_t i = 0;
    while (i < length) {
        char c = text[i];
        if (c != '\\') {
            text[out++] = c;
            ++i;
            continue;
        }
        if (i + 1 < length && text[i + 1] == '\\') {
            text[out++] = '\\';
            i += 2;
            continue;
        }
        int high = i + 1 < length ? hexDigit(text[i + 1]) : -1;
        if (high < 0) {
            // Not an escape: the backslash goes out as typed.
            text[out++] = '\\';
            ++i;
            continue;
        }
        int low = i + 2 < length ? hexDigit(text[i + 2]) : -1;
        unsigned value = low < 0 ? unsigned(high) : unsigned(high * 16 + low);
        text[out++] = char(value);
        // The pair is used up, as the "%X" scan of two characters did.
        i += i + 2 < length ? 3 : 2;
    }
    return out;
}
