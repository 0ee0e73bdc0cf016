#include "terminal/receive/AnsiParser.h"

#include <cstring>

namespace {

const unsigned char esc = 0x1B;
const unsigned char bel = 0x07;

uint32_t rgb(unsigned r, unsigned g, unsigned b)
{
    return uint32_t(r) | uint32_t(g) << 8 | uint32_t(b) << 16;
}

} // namespace

void AnsiParser::reset()
{
    state = ground;
    current = TextAttr();
    held = 0;
}

uint32_t AnsiParser::paletteColour(unsigned n)
{
    // xterm's own sixteen.
    static const unsigned char basic[16][3] = {
        {0, 0, 0},       {205, 0, 0},   {0, 205, 0},   {205, 205, 0}, {0, 0, 238},     {205, 0, 205},
        {0, 205, 205},   {229, 229, 229}, {127, 127, 127}, {255, 0, 0}, {0, 255, 0},     {255, 255, 0},
        {92, 92, 255},   {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
    if (n < 16)
        return rgb(basic[n][0], basic[n][1], basic[n][2]);
    if (n < 232) {
        static const unsigned char level[6] = {0, 95, 135, 175, 215, 255};
        n -= 16;
        return rgb(level[n / 36], level[n / 6 % 6], level[n % 6]);
    }
    unsigned grey = 8 + 10 * ((n > 255 ? 255 : n) - 232);
    return rgb(grey, grey, grey);
}

void AnsiParser::feed(const unsigned char *data, size_t length, AnsiSink &sink)
{
    size_t i = 0;
    while (i < length) {
        if (state == ground) {
            size_t from = i;
            const void *at = std::memchr(data + i, esc, length - i);
            i = at ? size_t(static_cast<const unsigned char *>(at) - data) : length;
            if (i > from)
                sink.text(reinterpret_cast<const char *>(data + from), i - from, current);
            if (i == length)
                return;
            state = escape;
            seq[0] = esc;
            held = 1;
            ++i;
            continue;
        }
        if (step(data[i], sink))
            ++i;
    }
}

void AnsiParser::showHeld(AnsiSink &sink)
{
    if (held)
        sink.text(reinterpret_cast<const char *>(seq), held, current);
    endSequence();
}

bool AnsiParser::step(unsigned char b, AnsiSink &sink)
{
    if (held == maxSequence) {
        // Too long for any sequence a device sends: it was text.
        showHeld(sink);
        return false;
    }
    switch (state) {
    case escape:
        if (b == '[') {
            state = csi;
        } else if (b == ']' || b == 'P' || b == 'X' || b == '^' || b == '_') {
            state = string;  // OSC, DCS, SOS, PM, APC: up to BEL or ESC backslash
        } else if (b >= 0x20 && b <= 0x2F) {
            state = escapeMore;  // ESC ( B and the like: intermediates, then the final byte
        } else if (b >= 0x30 && b <= 0x7E) {
            endSequence();
            return true;
        } else {
            showHeld(sink);
            return false;
        }
        break;
    case escapeMore:
        if (b >= 0x30 && b <= 0x7E) {
            endSequence();
            return true;
        }
        if (b < 0x20 || b > 0x2F) {
            showHeld(sink);
            return false;
        }
        break;
    case csi:
        if (b >= 0x40 && b <= 0x7E) {
            seq[held++] = b;
            if (b == 'm')
                applySgr();
            endSequence();
            return true;
        }
        if (b < 0x20 || b > 0x3F) {
            showHeld(sink);
            return false;
        }
        break;
    case string:
        if (b == bel) {
            endSequence();
            return true;
        }
        if (b == esc)
            state = stringEscape;
        break;
    case stringEscape:
        if (b == '\\') {
            endSequence();
            return true;
        }
        // An ESC that is no string terminator ends the string and starts a
        // sequence of its own, as xterm reads it.
        endSequence();
        state = escape;
        seq[0] = esc;
        held = 1;
        return false;
    case ground:
        return false;
    }
    seq[held++] = b;
    return true;
}

// seq holds ESC [ parameters m. A private sequence (parameters starting with
// < = > ?) or one with intermediates is no SGR and changes nothing.
void AnsiParser::applySgr()
{
    size_t end = held - 1;
    if (held > 2 && seq[2] >= 0x3C && seq[2] <= 0x3F)
        return;
    unsigned values[maxSequence];
    size_t n = 0;
    unsigned v = 0;
    for (size_t k = 2; k < end; ++k) {
        unsigned char c = seq[k];
        if (c >= '0' && c <= '9') {
            if (v < 100000)
                v = v * 10 + unsigned(c - '0');
        } else if (c == ';' || c == ':') {
            values[n++] = v;
            v = 0;
        } else {
            return;
        }
    }
    values[n++] = v;
    TextAttr a = current;
    for (size_t k = 0; k < n; ++k) {
        unsigned p = values[k];
        if (p == 0) {
            a = TextAttr();
        } else if (p == 1) {
            a.flags |= TextAttr::bold;
        } else if (p == 4) {
            a.flags |= TextAttr::underline;
        } else if (p == 7) {
            a.flags |= TextAttr::reverse;
        } else if (p == 22) {
            a.flags &= uint8_t(~TextAttr::bold);
        } else if (p == 24) {
            a.flags &= uint8_t(~TextAttr::underline);
        } else if (p == 27) {
            a.flags &= uint8_t(~TextAttr::reverse);
        } else if (p >= 30 && p <= 37) {
            a.fg = paletteColour(p - 30);
        } else if (p >= 90 && p <= 97) {
            a.fg = paletteColour(p - 90 + 8);
        } else if (p >= 40 && p <= 47) {
            a.bg = paletteColour(p - 40);
        } else if (p >= 100 && p <= 107) {
            a.bg = paletteColour(p - 100 + 8);
        } else if (p == 39) {
            a.fg = TextAttr::viewColour;
        } else if (p == 49) {
            a.bg = TextAttr::viewColour;
        } else if (p == 38 || p == 48) {
            uint32_t &target = p == 38 ? a.fg : a.bg;
            if (k + 2 < n && values[k + 1] == 5) {
                if (values[k + 2] <= 255)
                    target = paletteColour(values[k + 2]);
                k += 2;
            } else if (k + 4 < n && values[k + 1] == 2) {
                if (values[k + 2] <= 255 && values[k + 3] <= 255 && values[k + 4] <= 255)
                    target = rgb(values[k + 2], values[k + 3], values[k + 4]);
                k += 4;
            } else {
                // A colour form not known or cut short: the rest cannot be read.
                break;
            }
        }
    }
    current = a;
}
