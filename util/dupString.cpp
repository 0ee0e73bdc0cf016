#include "util/dupString.h"

#include <cstring>

char *dupString(const char *text)
{
    if (!text)
        text = "";
    size_t len = std::strlen(text);
    char *copy = new char[len + 1];
    std::memcpy(copy, text, len + 1);
    return copy;
}
