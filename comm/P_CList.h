#ifndef COMM_P_CLIST_H
#define COMM_P_CLIST_H

#include <cstdint>

#include "util/ChunkTimes.h"

// Fixed-size byte ring: the receive queue between the reader thread and the
// window thread. One slot always stays empty, so a ring of `size` bytes holds
// at most size - 1. push and pop check neither fullness nor emptiness:
// callers bound their loops by freeSpace() or count(). pushBlock and popBlock
// bound themselves. The ring does no locking; its owner serialises access.
//
// Beside the bytes the ring keeps when they arrived: a block pushed with a
// time starts a run of that time, and a block popped with a ChunkTimes gets
// the runs of its bytes. Bytes pushed without a time share the run before.
class P_CList
{
public:
    explicit P_CList(uint32_t size = 4096);
    ~P_CList();

    P_CList(const P_CList &) = delete;
    P_CList &operator=(const P_CList &) = delete;

    uint32_t count() const;
    uint32_t freeSpace() const;
    uint32_t capacity() const { return size - 1; }

    void push(unsigned char byte);
    void pop(unsigned char *byte);

    // Store up to n bytes (as many as fit); returns how many were stored.
    uint32_t pushBlock(const unsigned char *bytes, uint32_t n);
    // Take up to n bytes (as many as are queued); returns how many were taken.
    uint32_t popBlock(unsigned char *bytes, uint32_t n);

    // As pushBlock, the bytes stored having arrived at `time` (ms, local).
    uint32_t pushBlock(const unsigned char *bytes, uint32_t n, int64_t time);
    // As popBlock; `times` gets when the bytes taken arrived (no runs when
    // none was pushed with a time).
    uint32_t popBlock(unsigned char *bytes, uint32_t n, ChunkTimes &times);

    void clear();

private:
    struct Stamp
    {
        uint32_t start;   // the push count at the run's first byte
        int64_t time;
    };
    void dropRunsBefore(uint32_t position);
    uint32_t advance(uint32_t index, uint32_t n) const;

    unsigned char *buffer;
    uint32_t size;
    uint32_t head;   // next byte is stored here
    uint32_t tail;   // next byte is taken from here
    uint32_t pushed;   // bytes ever pushed, and popped (both wrap)
    uint32_t popped;
    // The runs of the queued bytes, oldest first: a ring of `size` entries,
    // as each run holds at least one of the (fewer than `size`) queued bytes
    // but the oldest, which may be left from bytes taken.
    Stamp *stamps;
    uint32_t stampHead;
    uint32_t stampTail;
};

#endif
