#ifndef UTIL_ARRIVALTIMES_H
#define UTIL_ARRIVALTIMES_H

#include <cstdint>

#include "util/PVect.h"

// When the bytes of the receive history arrived: beside the history, which
// holds the bytes, this holds the arrival time of the chunks that carried
// them, so that every line the view shows can be given the time of its first
// byte, also long after it came.
//
// A time is a local time in milliseconds (counted as the system counts its
// file times, from 1601); only the time of day is ever shown.
//
// The cost is bounded by what can be asked: a line begins at the first byte,
// after a line end (LF, or a CR that no LF follows) or, in hex, every eight
// bytes. A chunk is noted only when it holds such a byte and came at another
// millisecond than the chunk noted before it; the time of any byte that can
// begin a line is then exact, and any other byte gets the time of an
// earlier chunk of its own line. A note costs one byte for a small step in
// offset and time, two for a pause of up to two seconds, more only after a
// long silence, a clock change or a big chunk; every 64th note is also
// indexed so that the time of an offset is found without decoding from the
// start. Where every read returns one byte, text in lines of some 40
// characters costs about a fifth of a byte of notes per byte received at
// 9600 baud and faster, some two fifths at 300 baud (measured by the tests).
class ArrivalTimes
{
public:
    typedef int64_t Stamp;
    enum : uint32_t { indexEvery = 64 };

    ArrivalTimes();
    ArrivalTimes(const ArrivalTimes &) = delete;
    ArrivalTimes &operator=(const ArrivalTimes &) = delete;

    // The next `count` bytes of the history, which arrived at `time`.
    // afterPause: a pause ended the line before them (New line after a
    // pause), so their first byte begins a line and its time is noted.
    void add(const unsigned char *data, uint32_t count, Stamp time, bool afterPause = false);
    // Forgets everything (the storage is kept).
    void clear();
    // Forgets the first `bytes` bytes: offsets count from the byte after them.
    void cutHead(uint32_t bytes);

    // The arrival of the chunk that carried the byte at `offset` (exact for a
    // byte that can begin a line); 0 when nothing was added.
    Stamp timeOf(uint32_t offset) const;

    // Bytes the times cover, and what the notes of them take in memory.
    uint32_t covered() const { return total; }
    uint64_t footprint() const;

    // Walks forward through the times: cheap for ascending offsets, as a
    // render asks them.
    class Cursor
    {
    public:
        explicit Cursor(const ArrivalTimes &times) : times(times), at(), placed(false) {}
        // Same answer as timeOf; ascending offsets cost a few decodes each.
        Stamp timeOf(uint32_t offset);

    private:
        struct Note
        {
            uint32_t offset;
            Stamp time;
            uint32_t pos;   // where the following note starts in the stream
        };
        void seek(uint32_t offset);
        const ArrivalTimes &times;
        Note at;       // the last note at or before the offset asked last
        bool placed;
        friend class ArrivalTimes;
    };

private:
    struct IndexEntry
    {
        uint32_t offset;
        uint32_t pos;   // where the note after it starts
        Stamp time;
    };

    bool canBeginLine(const unsigned char *data, uint32_t count) const;
    void note(uint32_t offset, Stamp time);
    void putByte(unsigned char b);
    void putNumber(uint64_t v);
    bool room(uint32_t more);
    // Decodes the note at pos after (offset, time); false at the end.
    bool decode(uint32_t &pos, uint32_t &offset, Stamp &time) const;
    uint64_t readNumber(uint32_t &pos) const;

    PVect<unsigned char> stream;
    PVect<IndexEntry> index;
    uint32_t total;       // bytes covered
    uint32_t notes;
    uint32_t lastOffset;  // of the last note
    Stamp lastTime;
    unsigned char lastByte;
};

#endif
