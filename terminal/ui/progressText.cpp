#include "terminal/ui/progressText.h"

#include <cstdio>

namespace {

// Appends text to the output, keeping room for the terminator.
void put(char *buffer, size_t size, size_t &length, const char *text, size_t count)
{
    for (size_t i = 0; i < count && length + 1 < size; ++i)
        buffer[length++] = text[i];
}

} // namespace

size_t progressText(char *buffer, size_t size, const char *format, long long done, long long total)
{
    if (!buffer || size == 0)
        return 0;
    size_t length = 0;
    int used = 0;
    const char *p = format ? format : "";
    while (*p) {
        if (p[0] == '%' && p[1] == 'd' && used < 2) {
            char number[24];
            int n = std::snprintf(number, sizeof number, "%lld", used == 0 ? done : total);
            if (n > 0)
                put(buffer, size, length, number, size_t(n));
            ++used;
            p += 2;
        } else if (p[0] == '%' && p[1] == '%') {
            put(buffer, size, length, "%", 1);
            p += 2;
        } else {
            put(buffer, size, length, p, 1);
            ++p;
        }
    }
    buffer[length] = '\0';
    return length;
}
