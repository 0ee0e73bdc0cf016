#ifndef WIN_BLOCKINDEX_H
#define WIN_BLOCKINDEX_H

// A sequence of non-decreasing 64-bit values (the offsets where lines start,
// the rows where they start) kept in 4 bytes each: blocks of a fixed number
// of values, each block holding its first value in full and the others as
// 32-bit distances from it. The caller keeps the values of one block within
// 4 GiB of each other (a text of less than 4 GiB does).
//
// Blocks are allocated one by one, so the sequence holds no growth room
// beyond its last block, and values dropped from the front give their
// blocks back at once. Storage comes from malloc: push() fails only when no
// room was reserved and none can be had; nothing here throws.

#include <cstddef>
#include <cstdint>

class BlockIndex
{
public:
    enum : size_t { blockValues = 8192 };

    BlockIndex();
    ~BlockIndex();
    BlockIndex(const BlockIndex &) = delete;
    BlockIndex &operator=(const BlockIndex &) = delete;

    size_t size() const { return count; }
    bool empty() const { return count == 0; }
    uint64_t at(size_t i) const
    {
        size_t p = front + i;
        const Block &b = blocks[firstBlock + p / blockValues];
        return b.base + b.delta[p % blockValues];
    }
    uint64_t back() const { return at(count - 1); }

    // Room for `more` values past the end, so that as many pushes cannot fail.
    bool reserve(size_t more);
    // value: at least back().
    bool push(uint64_t value);
    // Keeps the first n values (the storage stays for the next pushes).
    void truncate(size_t n);
    // Drops the first n values (clamped).
    void dropFront(size_t n);
    // Replaces the first value by one no larger than the second.
    void setFront(uint64_t value);
    // Empties the sequence and gives all its storage back.
    void release();

    // How many values are at most key: the values [0, result) are.
    size_t countAtMost(uint64_t key) const;

    size_t bytesHeld() const;

private:
    struct Block
    {
        uint64_t base;
        uint32_t *delta;
    };
    bool addBlock();
    void rebaseFirst(uint64_t base);
    size_t blocksInUse() const { return (front + count + blockValues - 1) / blockValues; }

    Block *blocks;      // the table; blocks[firstBlock, firstBlock + allocated) have storage
    size_t firstBlock;  // table entries before it belonged to dropped blocks
    size_t allocated;
    size_t tableCap;
    size_t front;       // values before the first one in the first block
    size_t count;
};

#endif
