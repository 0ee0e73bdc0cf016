#include "comm/P_CList.h"

#include <cstring>

P_CList::P_CList(uint32_t size)
    // A ring needs two slots at least: one always stays empty.
    : buffer(nullptr), size(size < 2 ? 2 : size), head(0), tail(0)
{
    buffer = new unsigned char[this->size];
}

P_CList::~P_CList()
{
    delete[] buffer;
}

uint32_t P_CList::count() const
{
    return head >= tail ? head - tail : head + size - tail;
}

uint32_t P_CList::freeSpace() const
{
    return tail > head ? tail - head - 1 : tail + size - head - 1;
}

void P_CList::push(unsigned char byte)
{
    buffer[head] = byte;
    if (++head == size)
        head = 0;
}

void P_CList::pop(unsigned char *byte)
{
    *byte = buffer[tail];
    if (++tail == size)
        tail = 0;
}

// index + n around the ring (n <= size), without a sum that could pass
// 32 bits in a ring of more than 2 GiB.
uint32_t P_CList::advance(uint32_t index, uint32_t n) const
{
    return n < size - index ? index + n : n - (size - index);
}

// Copied in at most two runs: up to the end of the storage, then from its start.
uint32_t P_CList::pushBlock(const unsigned char *bytes, uint32_t n)
{
    uint32_t room = freeSpace();
    if (n > room)
        n = room;
    if (n == 0)
        return 0;
    uint32_t first = size - head;
    if (first > n)
        first = n;
    std::memcpy(buffer + head, bytes, first);
    std::memcpy(buffer, bytes + first, n - first);
    head = advance(head, n);
    return n;
}

uint32_t P_CList::popBlock(unsigned char *bytes, uint32_t n)
{
    uint32_t queued = count();
    if (n > queued)
        n = queued;
    if (n == 0)
        return 0;
    uint32_t first = size - tail;
    if (first > n)
        first = n;
    std::memcpy(bytes, buffer + tail, first);
    std::memcpy(bytes + first, buffer, n - first);
    tail = advance(tail, n);
    return n;
}
