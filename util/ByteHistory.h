#ifndef UTIL_BYTEHISTORY_H
#define UTIL_BYTEHISTORY_H

#include <cstdint>

#include "util/PVect.h"

// Appends to a byte history kept NUL-terminated in a PVect<unsigned char>:
// the bytes, then one NUL, so count() is the bytes held + 1, or 0 when
// empty. The vector stays its owner's; this only decides how it grows and
// what happens when it cannot.
//
// Growth reserves ahead geometrically, so a byte costs the same at 512 MiB
// as at 1 MiB (growing by the vector's fixed step copied the whole history
// every 16 KiB: quadratic, a flood slowed to a crawl within hours).
//
// When the history cannot grow (the allocator gives nothing, or the limit
// is reached) it keeps what it holds, untouched, takes what still fits in
// its storage and then nothing more until clear(): what it holds is always
// exactly the first bytes received since the clear, so a save of it is
// true. takeFullNotice() says so once per filling.
class ByteHistory
{
public:
    // The most bytes a history may hold: the vector counts its slots in
    // 32 bits and one slot is the NUL.
    enum : uint32_t { maxBytes = 0xFFFFFFFEu };

    explicit ByteHistory(PVect<unsigned char> &bytes);

    ByteHistory(const ByteHistory &) = delete;
    ByteHistory &operator=(const ByteHistory &) = delete;

    // Appends `count` bytes and the NUL after them. false when not all of
    // them could be kept (the history is full; what it held is unchanged).
    bool append(const unsigned char *data, uint32_t count);

    // Forgets the bytes and lets the history grow again. Storage beyond
    // keptOnClear bytes is given back: in a 32-bit process the address
    // space a long history held is what the next one needs.
    void clear();
    enum : uint32_t { keptOnClear = 64 * 1024 };

    // The most bytes the history will hold, clamped to maxBytes; it is
    // full on reaching it as if the allocator had refused. Used to provoke
    // a full history without exhausting memory.
    void setLimit(uint32_t bytes);
    uint32_t limit() const { return maxHeld; }

    uint32_t held() const { return bytes.count() ? bytes.count() - 1 : 0; }
    // Bytes turned away since it filled.
    uint64_t refused() const { return turnedAway; }
    bool isFull() const { return full; }
    // True once after the history fills, until the next clear().
    bool takeFullNotice();

private:
    bool makeRoom(uint32_t slots);

    PVect<unsigned char> &bytes;
    uint32_t maxHeld;
    uint64_t turnedAway;
    bool full;
    bool noticeTaken;
};

#endif
