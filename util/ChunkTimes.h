#ifndef UTIL_CHUNKTIMES_H
#define UTIL_CHUNKTIMES_H

#include <cstdint>

// When the bytes of one chunk taken from the receive queue arrived: the
// reader stamps each of its reads, and a chunk taken by the terminal may hold
// the bytes of several. From run i's offset to the next run's (or the end),
// the bytes came at run i's time, a local time in milliseconds.
class ChunkTimes
{
public:
    enum : uint32_t { maxRuns = 512 };
    struct Run
    {
        uint32_t offset;
        int64_t time;
    };

    ChunkTimes() : used(0) {}

    void clear() { used = 0; }
    // Runs beyond maxRuns are dropped: their bytes keep the time before.
    void add(uint32_t offset, int64_t time)
    {
        if (used < maxRuns)
            runs[used++] = Run{offset, time};
    }
    uint32_t count() const { return used; }
    const Run &run(uint32_t i) const { return runs[i]; }
    // Where run i ends in a chunk of `length` bytes.
    uint32_t endOf(uint32_t i, uint32_t length) const { return i + 1 < used ? runs[i + 1].offset : length; }

private:
    Run runs[maxRuns];
    uint32_t used;
};

#endif
