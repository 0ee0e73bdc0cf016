#include "terminal/receive/TextBatch.h"

#include <cstring>
#include <new>

TextBatch::~TextBatch()
{
    delete[] data;
}

void TextBatch::clear()
{
    used = 0;
    full = false;
    if (data)
        data[0] = '\0';
}

// Capacity for at least `slots` slots (the text and its NUL), in one new
// array. Grows by half the capacity, so every character is copied a bounded
// number of times; when that is refused smaller growths are tried, down to a
// sixteenth of the capacity, below which each would copy all for a few more
// characters and the batch counts as refused instead.
bool TextBatch::makeRoom(uint64_t slots)
{
    if (slots <= capacity)
        return true;
    uint64_t ceiling = uint64_t(most) + 1;
    if (slots > ceiling)
        return false;
    uint64_t extra = capacity / 2 > minimumGrowth ? capacity / 2 : uint64_t(minimumGrowth);
    uint64_t smallest = capacity / 16;
    for (;;) {
        uint64_t target = capacity + extra;
        if (target < slots)
            target = slots;
        if (target > ceiling)
            target = ceiling;
        if (char *fresh = new (std::nothrow) char[size_t(target)]) {
            if (used)
                std::memcpy(fresh, data, used);
            fresh[used] = '\0';
            delete[] data;
            data = fresh;
            capacity = uint32_t(target);
            return true;
        }
        if (target == slots || extra / 2 < smallest)
            return false;
        extra /= 2;
    }
}

bool TextBatch::reserve(uint64_t chars)
{
    return !full && makeRoom(chars + 1);
}

bool TextBatch::add(const char *text, uint32_t length)
{
    if (full)
        return false;
    if (length == 0)
        return true;
    if (!makeRoom(uint64_t(used) + length + 1)) {
        full = true;
        return false;
    }
    std::memcpy(data + used, text, length);
    used += length;
    data[used] = '\0';
    return true;
}
