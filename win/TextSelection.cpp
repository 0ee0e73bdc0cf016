#include "win/TextSelection.h"

namespace {

size_t clampTo(size_t at, size_t length)
{
    return at > length ? length : at;
}

size_t shrink(size_t at, size_t n)
{
    return at > n ? at - n : 0;
}

// 0: line ends and other controls, 1: blanks, 2: letters and digits (and the
// upper half of the code page, accented letters), 3: other signs.
int classOf(unsigned char c)
{
    if (c == ' ' || c == '\t')
        return 1;
    if (c < 0x20 || c == 0x7F)
        return 0;
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' ||
        c >= 0x80)
        return 2;
    return 3;
}

} // namespace

void TextSelection::set(size_t anchorAt, size_t caretAt, size_t length)
{
    anchor = clampTo(anchorAt, length);
    caret = clampTo(caretAt, length);
}

void TextSelection::extendTo(size_t at, size_t length)
{
    anchor = clampTo(anchor, length);
    caret = clampTo(at, length);
}

void TextSelection::tailCut(size_t newLength)
{
    anchor = clampTo(anchor, newLength);
    caret = clampTo(caret, newLength);
}

void TextSelection::headCut(size_t n)
{
    anchor = shrink(anchor, n);
    caret = shrink(caret, n);
}

void TextSelection::wordAround(const char *text, size_t length, size_t offset, size_t &from, size_t &to)
{
    offset = clampTo(offset, length);
    from = to = offset;
    // A click past the last sign of a line picks what stands before it.
    size_t at = offset;
    if (at == length || classOf(static_cast<unsigned char>(text[at])) == 0) {
        if (at == 0 || classOf(static_cast<unsigned char>(text[at - 1])) == 0)
            return;
        --at;
    }
    int kind = classOf(static_cast<unsigned char>(text[at]));
    from = at;
    while (from > 0 && classOf(static_cast<unsigned char>(text[from - 1])) == kind)
        --from;
    to = at + 1;
    while (to < length && classOf(static_cast<unsigned char>(text[to])) == kind)
        ++to;
}
