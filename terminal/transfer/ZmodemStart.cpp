#include "terminal/transfer/ZmodemStart.h"

#include <cstring>

namespace {

const unsigned char zdle = 0x18;
// "**" ZDLE "B0", then the frame type's second digit: 0 ZRQINIT, 1 ZRINIT.
const unsigned char pattern[ZmodemStart::startLength - 1] = {'*', '*', zdle, 'B', '0'};

bool extends(uint32_t length, unsigned char b)
{
    if (length < ZmodemStart::startLength - 1)
        return b == pattern[length];
    return b == '0' || b == '1';
}

} // namespace

ZmodemStart::ZmodemStart() : length(0) {}

ZmodemStart::Scan ZmodemStart::scan(const unsigned char *data, uint32_t count, unsigned char *shown)
{
    Scan result = {Found::nothing, 0, count};
    for (uint32_t i = 0; i < count; ++i) {
        unsigned char b = data[i];
        if (extends(length, b)) {
            matched[length++] = b;
            if (length == startLength) {
                result.found = b == '0' ? Found::sender : Found::receiver;
                result.consumed = i + 1;
                length = 0;
                return result;
            }
            continue;
        }
        // No start here: the held bytes and b are text, except for their
        // longest tail that may still begin one ("***" keeps "**").
        unsigned char seen[startLength];
        std::memcpy(seen, matched, length);
        seen[length] = b;
        uint32_t all = length + 1;
        uint32_t keep = all < startLength - 1 ? all : startLength - 1;
        while (keep > 0 && std::memcmp(seen + all - keep, pattern, keep) != 0)
            --keep;
        std::memcpy(shown + result.shown, seen, all - keep);
        result.shown += all - keep;
        std::memcpy(matched, seen + all - keep, keep);
        length = keep;
    }
    return result;
}

uint32_t ZmodemStart::flush(unsigned char *shown)
{
    uint32_t n = length;
    std::memcpy(shown, matched, n);
    length = 0;
    return n;
}
