#include "terminal/send/ByteFields.h"

#include <cstdio>

namespace {

uint32_t parseDec(const char *t)
{
    const char *end = t + ByteFields::textSize - 1;
    while (t < end && *t && (*t == ' ' || (*t >= '\t' && *t <= '\r')))
        ++t;
    bool negative = false;
    if (t < end && (*t == '-' || *t == '+')) {
        negative = *t == '-';
        ++t;
    }
    uint32_t v = 0;
    while (t < end && *t >= '0' && *t <= '9')
        v = v * 10u + uint32_t(*t++ - '0');
    return negative ? 0u - v : v;
}

uint32_t digitValue(char c)
{
    if (c >= '0' && c <= '9')
        return uint32_t(c - '0');
    if (c >= 'a' && c <= 'f')
        return uint32_t(c - 'a' + 10);
    if (c >= 'A' && c <= 'F')
        return uint32_t(c - 'A' + 10);
    return 0;
}

size_t boundedLength(const char *t)
{
    size_t n = 0;
    while (n < ByteFields::textSize - 1 && t[n])
        ++n;
    return n;
}

uint32_t parseHex(const char *t)
{
    size_t n = boundedLength(t);
    uint32_t v = 0, weight = 1;
    for (size_t k = 0; k < n; ++k) {
        v += digitValue(t[n - 1 - k]) * weight;
        weight *= 16u;
    }
    return v;
}

uint32_t parseBin(const char *t)
{
    size_t n = boundedLength(t);
    uint32_t v = 0;
    for (size_t k = 0; k < n && k < 32; ++k)
        if (t[n - 1 - k] == '1')
            v |= 1u << k;
    return v;
}

} // namespace

uint32_t ByteFields::parse(Field field, const char *text)
{
    switch (field) {
    case Dec:
        return parseDec(text);
    case Hex:
        return parseHex(text);
    case Bin:
        return parseBin(text);
    case Char:
        return (unsigned char)text[0];
    default:
        return 0;
    }
}

void ByteFields::format(Field field, uint32_t value, char *out, size_t size)
{
    if (size == 0)
        return;
    out[0] = '\0';
    switch (field) {
    case Dec:
        snprintf(out, size, "%u", unsigned(value));
        break;
    case Hex:
        snprintf(out, size, "%02X", unsigned(value));
        break;
    case Bin:
        if (size > 8) {
            for (int k = 0; k < 8; ++k)
                out[k] = (value & (0x80u >> k)) ? '1' : '0';
            out[8] = '\0';
        }
        break;
    case Char:
        if (size > 1) {
            out[0] = char(value & 0xFF);
            out[1] = '\0';
        }
        break;
    default:
        break;
    }
}

int ByteFields::updateOrder(Field edited, Field order[fieldCount - 1])
{
    int n = 0;
    for (int p = int(edited) - 1; p >= 0; --p)
        order[n++] = Field(p);
    for (int p = int(edited) + 1; p < fieldCount; ++p)
        order[n++] = Field(p);
    return n;
}
