#include "comm/LineErrors.h"

#include <cstdio>

namespace {

// Counts stop at the top instead of wrapping back to a small number.
void bump(uint32_t &count)
{
    if (count != 0xFFFFFFFFu)
        ++count;
}

} // namespace

bool LineErrors::add(uint32_t flags)
{
    bool counted = false;
    if (flags & breakFlag) {
        bump(breaks);
        counted = true;
    }
    if (flags & frameFlag) {
        bump(framing);
        counted = true;
    }
    if (flags & parityFlag) {
        bump(parity);
        counted = true;
    }
    if (flags & (overrunFlag | rxOver)) {
        bump(overrun);
        counted = true;
    }
    return counted;
}

void LineErrors::describe(char *buffer, size_t size) const
{
    if (!buffer || size == 0)
        return;
    buffer[0] = '\0';
    if (total() == 0)
        return;
    struct Kind
    {
        uint32_t count;
        const char *one;
        const char *many;
    };
    const Kind kinds[] = {
        {breaks, "break", "breaks"}, {framing, "framing", "framing"}, {parity, "parity", "parity"},
        {overrun, "overrun", "overrun"}};
    size_t at = 0;
    int n = std::snprintf(buffer, size, "errors:");
    if (n < 0 || size_t(n) >= size) {
        buffer[0] = '\0';
        return;
    }
    at = size_t(n);
    const char *separator = " ";
    for (const Kind &k : kinds) {
        if (k.count == 0)
            continue;
        n = std::snprintf(buffer + at, size - at, "%s%lu %s", separator, static_cast<unsigned long>(k.count),
                          k.count == 1 ? k.one : k.many);
        if (n < 0 || size_t(n) >= size - at) {
            buffer[0] = '\0';
            return;
        }
        at += size_t(n);
        separator = ", ";
    }
}
