#include "terminal/receive/AnsiText.h"

#include <cstdlib>
#include <cstring>

AnsiText::~AnsiText()
{
    std::free(list);
}

void AnsiText::render(const unsigned char *bytes, uint32_t n, AnsiLayout &to)
{
    count = 0;
    lost = false;
    data = bytes;
    length = n;
    lastFrom = 0;
    layout = &to;
    note(to.laidOut(), parser.attr());
    parser.feed(bytes, n, *this);
    layout = nullptr;
}

bool AnsiText::allDefault() const
{
    for (uint32_t i = 0; i < count; ++i)
        if (!list[i].attr.isDefault())
            return false;
    return true;
}

// A sequence that never ended comes from the parser's own buffer: its bytes
// are laid out from a copy, and take the time of the bytes before them.
void AnsiText::text(const char *text, size_t n, const TextAttr &attr)
{
    const unsigned char *t = reinterpret_cast<const unsigned char *>(text);
    uint32_t from = lastFrom;
    bool inData = t >= data && t < data + length;
    if (inData)
        from = uint32_t(t - data);
    lastFrom = from;
    if (count == 0 || list[count - 1].attr != attr)
        note(layout->laidOut(), attr);
    if (inData) {
        layout->piece(t, uint32_t(n), from);
        return;
    }
    unsigned char copy[AnsiParser::maxSequence + 1];
    size_t m = n < AnsiParser::maxSequence ? n : size_t(AnsiParser::maxSequence);
    std::memcpy(copy, t, m);
    copy[m] = 0;
    layout->piece(copy, uint32_t(m), from);
}

void AnsiText::note(uint32_t at, const TextAttr &attr)
{
    if (count > 0 && list[count - 1].at == at) {
        list[count - 1].attr = attr;
        return;
    }
    if (count == room) {
        uint32_t more = room ? room * 2 : 64;
        void *grown = more > room ? std::realloc(list, size_t(more) * sizeof(Run)) : nullptr;
        if (!grown) {
            lost = true;
            return;
        }
        list = static_cast<Run *>(grown);
        room = more;
    }
    list[count].at = at;
    list[count].attr = attr;
    ++count;
}
