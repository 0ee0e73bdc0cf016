#include "win/BlockIndex.h"

#include <cstdlib>
#include <cstring>

#include "win/LowerBound.h"

BlockIndex::BlockIndex() : blocks(nullptr), firstBlock(0), allocated(0), tableCap(0), front(0), count(0) {}

BlockIndex::~BlockIndex()
{
    release();
}

void BlockIndex::release()
{
    for (size_t b = 0; b < allocated; ++b)
        std::free(blocks[firstBlock + b].delta);
    std::free(blocks);
    blocks = nullptr;
    firstBlock = allocated = tableCap = 0;
    front = count = 0;
}

bool BlockIndex::addBlock()
{
    if (firstBlock + allocated == tableCap) {
        if (firstBlock > 0) {
            // The entries of dropped blocks are reused before the table grows.
            std::memmove(blocks, blocks + firstBlock, allocated * sizeof *blocks);
            firstBlock = 0;
        } else {
            size_t want = tableCap < 8 ? 8 : tableCap + tableCap / 2;
            if (want > SIZE_MAX / sizeof *blocks)
                return false;
            Block *grown = static_cast<Block *>(std::realloc(blocks, want * sizeof *blocks));
            if (!grown)
                return false;
            blocks = grown;
            tableCap = want;
        }
    }
    uint32_t *delta = static_cast<uint32_t *>(std::malloc(blockValues * sizeof *delta));
    if (!delta)
        return false;
    blocks[firstBlock + allocated].base = 0;
    blocks[firstBlock + allocated].delta = delta;
    ++allocated;
    return true;
}

bool BlockIndex::reserve(size_t more)
{
    size_t room = allocated * blockValues - front - count;
    while (room < more) {
        if (!addBlock())
            return false;
        room += blockValues;
    }
    return true;
}

bool BlockIndex::push(uint64_t value)
{
    size_t p = front + count;
    if (p == allocated * blockValues && !addBlock())
        return false;
    Block &b = blocks[firstBlock + p / blockValues];
    size_t slot = p % blockValues;
    if (slot == 0)
        b.base = value;
    else if (value < b.base || value - b.base > UINT32_MAX)
        return false;
    b.delta[slot] = uint32_t(value - b.base);
    ++count;
    return true;
}

void BlockIndex::truncate(size_t n)
{
    if (n >= count)
        return;
    count = n;
    // An empty sequence starts its next value at the head of a block, so
    // that the block's base is that value.
    if (count == 0)
        front = 0;
}

// The first block's base becomes `base`, no larger than any value it holds,
// so its distances stay within what the caller keeps.
void BlockIndex::rebaseFirst(uint64_t base)
{
    Block &b = blocks[firstBlock];
    size_t end = front + count < blockValues ? front + count : blockValues;
    for (size_t s = front; s < end; ++s)
        b.delta[s] = uint32_t(b.base + b.delta[s] - base);
    b.base = base;
}

void BlockIndex::dropFront(size_t n)
{
    if (n > count)
        n = count;
    if (n == 0)
        return;
    uint64_t first = n < count ? at(n) : 0;
    count -= n;
    front += n;
    while (front >= blockValues) {
        std::free(blocks[firstBlock].delta);
        ++firstBlock;
        --allocated;
        front -= blockValues;
    }
    if (count == 0)
        front = 0;
    else
        rebaseFirst(first);
}

void BlockIndex::setFront(uint64_t value)
{
    rebaseFirst(value);
    blocks[firstBlock].delta[front] = 0;
}

size_t BlockIndex::countAtMost(uint64_t key) const
{
    if (count == 0)
        return 0;
    // The first block's base is its first value, as every other block's is.
    size_t inUse = blocksInUse();
    size_t after = lowerBound(0, inUse, [&](size_t b) { return blocks[firstBlock + b].base <= key; });
    if (after == 0)
        return 0;
    const Block &blk = blocks[firstBlock + after - 1];
    size_t lo = after == 1 ? front : 0;
    size_t used = front + count - (after - 1) * blockValues;
    size_t hi = used < blockValues ? used : blockValues;
    size_t slot = lowerBound(lo, hi, [&](size_t s) { return blk.base + blk.delta[s] <= key; });
    return (after - 1) * blockValues + slot - front;
}

size_t BlockIndex::bytesHeld() const
{
    return allocated * blockValues * sizeof(uint32_t) + tableCap * sizeof(Block);
}
