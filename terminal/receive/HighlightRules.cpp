#include "terminal/receive/HighlightRules.h"

#include <cstring>

namespace {

const char prefix[] = "HR1:";
const size_t prefixChars = sizeof prefix - 1;

unsigned char lower(unsigned char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

bool holds(const char *line, size_t length, const HighlightRules::Rule &r)
{
    if (r.length > length)
        return false;
    for (size_t i = 0; i + r.length <= length; ++i) {
        size_t k = 0;
        if (r.matchCase) {
            while (k < r.length && line[i + k] == r.text[k])
                ++k;
        } else {
            while (k < r.length && lower(static_cast<unsigned char>(line[i + k])) ==
                                       lower(static_cast<unsigned char>(r.text[k])))
                ++k;
        }
        if (k == r.length)
            return true;
    }
    return false;
}

} // namespace

bool HighlightRules::add(const char *text, size_t length, bool matchCase, unsigned colour)
{
    if (used == maxRules || !text || length == 0 || length > maxText || colour >= colourCount)
        return false;
    for (size_t i = 0; i < length; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7F)
            return false;
    }
    Rule &r = rules[used++];
    std::memcpy(r.text, text, length);
    r.text[length] = '\0';
    r.length = length;
    r.matchCase = matchCase;
    r.colour = colour;
    return true;
}

int HighlightRules::match(const char *line, size_t length) const
{
    for (size_t i = 0; i < used; ++i)
        if (holds(line, length, rules[i]))
            return int(i);
    return -1;
}

uint32_t HighlightRules::background(unsigned colour)
{
    static const uint32_t shades[colourCount] = {
        0x00C0C0FF,  // red
        0x0080FFFF,  // yellow
        0x00C0FFC0,  // green
        0x00FFFFC0,  // cyan
        0x00FFD0B0,  // blue
        0x00FFC0FF,  // magenta
        0x0060C0FF,  // orange
        0x00D0D0D0,  // grey
    };
    return shades[colour % colourCount];
}

const char *HighlightRules::colourName(unsigned colour)
{
    static const char *const names[colourCount] = {"Red", "Yellow", "Green", "Cyan",
                                                   "Blue", "Magenta", "Orange", "Grey"};
    return names[colour % colourCount];
}

size_t HighlightRules::toRegistry(char *out) const
{
    std::memcpy(out, prefix, prefixChars);
    size_t n = prefixChars;
    for (size_t i = 0; i < used; ++i) {
        const Rule &r = rules[i];
        out[n++] = r.matchCase ? 'c' : 'i';
        out[n++] = char('0' + r.colour);
        out[n++] = char('0' + r.length / 10);
        out[n++] = char('0' + r.length % 10);
        std::memcpy(out + n, r.text, r.length);
        n += r.length;
    }
    out[n] = '\0';
    return n;
}

bool HighlightRules::fromRegistry(const char *value, size_t length)
{
    if (!value || length < prefixChars || std::memcmp(value, prefix, prefixChars) != 0)
        return false;
    HighlightRules read;
    size_t at = prefixChars;
    while (at < length) {
        if (length - at < 4)
            return false;
        char kind = value[at], colour = value[at + 1], d1 = value[at + 2], d2 = value[at + 3];
        if ((kind != 'c' && kind != 'i') || colour < '0' || colour > '7' || d1 < '0' || d1 > '9' || d2 < '0' ||
            d2 > '9')
            return false;
        size_t n = size_t(d1 - '0') * 10 + size_t(d2 - '0');
        at += 4;
        if (n > length - at || !read.add(value + at, n, kind == 'c', unsigned(colour - '0')))
            return false;
        at += n;
    }
    *this = read;
    return true;
}
