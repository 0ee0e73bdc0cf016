#include "comm/P_CList.h"

#include <cstring>

P_CList::P_CList(uint32_t size)
    // A ring needs two slots at least: one always stays empty.
    : buffer(nullptr), size(size < 2 ? 2 : size), head(0), tail(0), pushed(0), popped(0), stamps(nullptr),
      stampHead(0), stampTail(0)
{
    buffer = new unsigned char[this->size];
    stamps = new Stamp[this->size + 1];
}

P_CList::~P_CList()
{
    delete[] stamps;
    delete[] buffer;
}

void P_CList::clear()
{
    head = tail = 0;
    popped = pushed;
    stampHead = stampTail = 0;
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
    ++pushed;
}

void P_CList::pop(unsigned char *byte)
{
    *byte = buffer[tail];
    if (++tail == size)
        tail = 0;
    ++popped;
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
    pushed += n;
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
    popped += n;
    return n;
}

uint32_t P_CList::pushBlock(const unsigned char *bytes, uint32_t n, int64_t time)
{
    uint32_t start = pushed;
    n = pushBlock(bytes, n);
    if (n == 0)
        return 0;
    // Runs of bytes taken already go first, so the ring always has room.
    dropRunsBefore(popped);
    uint32_t ring = size + 1;
    bool same = stampHead != stampTail && stamps[(stampHead + ring - 1) % ring].time == time;
    if (!same) {
        stamps[stampHead] = Stamp{start, time};
        stampHead = (stampHead + 1) % ring;
    }
    return n;
}

uint32_t P_CList::popBlock(unsigned char *bytes, uint32_t n, ChunkTimes &times)
{
    times.clear();
    uint32_t first = popped;
    n = popBlock(bytes, n);
    if (n == 0)
        return 0;
    dropRunsBefore(first);
    uint32_t ring = size + 1;
    for (uint32_t i = stampTail; i != stampHead; i = (i + 1) % ring) {
        uint32_t into = stamps[i].start - first;
        if (int32_t(into) >= int32_t(n))
            break;
        times.add(int32_t(into) < 0 ? 0 : into, stamps[i].time);
    }
    return n;
}

// Forgets the runs that end at or before `position`: a run ends where the
// next one starts. The last run stays, for bytes pushed without a time.
void P_CList::dropRunsBefore(uint32_t position)
{
    uint32_t ring = size + 1;
    while (stampTail != stampHead) {
        uint32_t next = (stampTail + 1) % ring;
        if (next == stampHead || int32_t(stamps[next].start - position) > 0)
            break;
        stampTail = next;
    }
}
