#ifndef COMM_P_CLIST_H
#define COMM_P_CLIST_H

#include <cstdint>

// Fixed-size byte ring: the receive queue between the reader thread and the
// window thread. One slot always stays empty, so a ring of `size` bytes holds
// at most size - 1. push and pop check neither fullness nor emptiness:
// callers bound their loops by freeSpace() or count(). pushBlock and popBlock
// bound themselves. The ring does no locking; its owner serialises access.
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

    void clear() { head = tail = 0; }

private:
    uint32_t advance(uint32_t index, uint32_t n) const;

    unsigned char *buffer;
    uint32_t size;
    uint32_t head;   // next byte is stored here
    uint32_t tail;   // next byte is taken from here
};

#endif
