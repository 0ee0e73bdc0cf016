#include "util/ByteHistory.h"

#include <cstring>

ByteHistory::ByteHistory(PVect<unsigned char> &bytes)
    : bytes(bytes), maxHeld(maxBytes), turnedAway(0), full(false), noticeTaken(false)
{
}

void ByteHistory::setLimit(uint32_t limitBytes)
{
    maxHeld = limitBytes < maxBytes ? limitBytes : uint32_t(maxBytes);
}

void ByteHistory::clear()
{
    if (bytes.capacity() > keptOnClear)
        bytes.release();
    else
        bytes.clear();
    full = false;
    noticeTaken = false;
    turnedAway = 0;
}

bool ByteHistory::takeFullNotice()
{
    if (!full || noticeTaken)
        return false;
    noticeTaken = true;
    return true;
}

// Capacity for at least `slots` slots. Grows by half the capacity (at least
// the vector's step), so every byte is copied a bounded number of times
// however long the history gets. When such a growth is refused, smaller ones
// are tried, down to a sixteenth of the capacity: in a 32-bit process the
// old and the new array must fit side by side, and a smaller new one often
// still does. Below that each growth would copy the whole history for a few
// more bytes, and the history counts as full instead.
bool ByteHistory::makeRoom(uint32_t slots)
{
    uint32_t capacity = bytes.capacity();
    if (capacity >= slots)
        return true;
    uint64_t ceiling = uint64_t(maxHeld) + 1;
    if (slots > ceiling)
        return false;
    uint64_t extra = capacity / 2;
    if (extra < bytes.step())
        extra = bytes.step();
    uint64_t smallest = capacity / 16;
    for (;;) {
        uint64_t target = capacity + extra;
        if (target < slots)
            target = slots;
        if (target > ceiling)
            target = ceiling;
        if (bytes.reserve(uint32_t(target)))
            return true;
        if (target == slots || extra / 2 < smallest)
            return false;
        extra /= 2;
    }
}

bool ByteHistory::append(const unsigned char *data, uint32_t count)
{
    if (count == 0)
        return !full;
    if (full) {
        turnedAway += count;
        return false;
    }
    uint32_t at = held();
    uint64_t slots = uint64_t(at) + count + 1;
    if (slots <= uint64_t(maxHeld) + 1 && makeRoom(uint32_t(slots))) {
        std::memcpy(bytes.items() + at, data, count);
        bytes.at(at + count) = 0;
        return true;
    }
    // Full: keep what still fits in the storage there is, within the limit,
    // and then nothing more, so the history stays the bytes as they came.
    uint64_t usable = bytes.capacity();
    if (usable > uint64_t(maxHeld) + 1)
        usable = uint64_t(maxHeld) + 1;
    uint64_t room = usable > uint64_t(at) + 1 ? usable - at - 1 : 0;
    uint32_t take = room < count ? uint32_t(room) : count;
    if (take > 0) {
        std::memcpy(bytes.items() + at, data, take);
        bytes.at(at + take) = 0;
    }
    full = true;
    turnedAway += count - take;
    return false;
}
