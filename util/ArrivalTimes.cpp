#include "util/ArrivalTimes.h"

namespace {

const uint32_t lineBytes = 8;     // bytes of a hex line
const uint32_t noteMax = 16;      // the longest note: a tag and two numbers
const uint32_t growStep = 4096;

uint64_t zigzag(int64_t v)
{
    return v < 0 ? (uint64_t(-(v + 1)) << 1) | 1u : uint64_t(v) << 1;
}

int64_t unzigzag(uint64_t v)
{
    return (v & 1u) ? -int64_t(v >> 1) - 1 : int64_t(v >> 1);
}

// Geometric growth, so that a long history costs each note a bounded
// number of copies; false when no room could be had.
template <class T>
bool reserveFor(PVect<T> &v, uint32_t needed)
{
    if (v.capacity() >= needed)
        return true;
    uint64_t target = uint64_t(v.capacity()) + v.capacity() / 2;
    if (target < needed)
        target = needed;
    if (target > UINT32_MAX)
        target = UINT32_MAX;
    return v.reserve(uint32_t(target)) || v.reserve(needed);
}

} // namespace

ArrivalTimes::ArrivalTimes()
    : stream(growStep), index(64), total(0), notes(0), lastOffset(0), lastTime(0), lastByte(0)
{
}

void ArrivalTimes::clear()
{
    stream.clear();
    index.clear();
    total = notes = lastOffset = 0;
    lastTime = 0;
    lastByte = 0;
}

uint64_t ArrivalTimes::footprint() const
{
    return uint64_t(stream.capacity()) + uint64_t(index.capacity()) * sizeof(IndexEntry);
}

// A byte can begin a line at the very start, on every eighth offset (a hex
// line) and after a line end as the view breaks lines: an LF, or a CR that
// no LF follows.
bool ArrivalTimes::canBeginLine(const unsigned char *data, uint32_t count) const
{
    if (total == 0 || count >= lineBytes)
        return true;
    if ((total % lineBytes) + count > lineBytes || total % lineBytes == 0)
        return true;
    unsigned char before = lastByte;
    for (uint32_t i = 0; i < count; ++i) {
        unsigned char c = data[i];
        if (before == '\n' || (before == '\r' && c != '\n'))
            return true;
        before = c;
    }
    return false;
}

void ArrivalTimes::add(const unsigned char *data, uint32_t count, Stamp time, bool afterPause)
{
    // A byte past the 32-bit offsets is not kept by the history either.
    if (count > UINT32_MAX - total)
        count = UINT32_MAX - total;
    if (count == 0)
        return;
    if (notes == 0 || (time != lastTime && (afterPause || canBeginLine(data, count))))
        note(total, time);
    total += count;
    lastByte = data[count - 1];
}

void ArrivalTimes::note(uint32_t offset, Stamp time)
{
    // A note that cannot be stored whole is not stored: the bytes keep the
    // time of the note before.
    if (!room(noteMax))
        return;
    uint32_t dOff = offset - lastOffset;
    int64_t dTime = time - lastTime;
    // Small chunks: a note at most every eight bytes (a hex line) on a slow
    // line, every millisecond or so on a fast one.
    bool forward = notes > 0 && dOff >= 1 && dTime >= 0;
    if (forward && dOff <= 8 && dTime < 16) {
        putByte(static_cast<unsigned char>(0x80 | ((dOff - 1) << 4) | uint32_t(dTime)));
    } else if (forward && dOff <= 8 && dTime < 2048) {
        putByte(static_cast<unsigned char>(0x40 | ((dOff - 1) << 3) | uint32_t(dTime >> 8)));
        putByte(static_cast<unsigned char>(dTime & 0xFF));
    } else if (forward && dOff <= 256 && dTime < 32) {
        putByte(static_cast<unsigned char>(0x20 | uint32_t(dTime)));
        putByte(static_cast<unsigned char>(dOff - 1));
    } else {
        putByte(0);
        putNumber(dOff);
        putNumber(zigzag(dTime));
    }
    lastOffset = offset;
    lastTime = time;
    if (notes % indexEvery == 0 && reserveFor(index, index.count() + 1))
        index.at(index.count()) = IndexEntry{offset, stream.count(), time};
    ++notes;
}

bool ArrivalTimes::room(uint32_t more)
{
    return stream.count() <= UINT32_MAX - more && reserveFor(stream, stream.count() + more);
}

// Within the room made for the note.
void ArrivalTimes::putByte(unsigned char b)
{
    stream.at(stream.count()) = b;
}

void ArrivalTimes::putNumber(uint64_t v)
{
    while (v >= 0x80) {
        putByte(static_cast<unsigned char>(v | 0x80));
        v >>= 7;
    }
    putByte(static_cast<unsigned char>(v));
}

uint64_t ArrivalTimes::readNumber(uint32_t &pos) const
{
    const unsigned char *s = stream.items();
    uint32_t end = stream.count();
    uint64_t n = 0;
    for (int shift = 0; pos < end && shift < 64; shift += 7) {
        unsigned char b = s[pos++];
        n |= uint64_t(b & 0x7F) << shift;
        if (!(b & 0x80))
            break;
    }
    return n;
}

// Four forms, told by the tag's top bits: 1ooottttt (offset step 1..8,
// time step 0..15 ms, one byte); 01ooottt and a byte (time step up to
// 2047 ms); 001ttttt and a byte (offset step up to 256, time step up to
// 31 ms); a zero tag followed by both steps as numbers, the time step signed
// (a clock set back).
bool ArrivalTimes::decode(uint32_t &pos, uint32_t &offset, Stamp &time) const
{
    const unsigned char *s = stream.items();
    if (pos >= stream.count())
        return false;
    unsigned char tag = s[pos++];
    if (tag & 0x80) {
        offset += ((tag >> 4) & 7u) + 1;
        time += tag & 15;
        return true;
    }
    if (tag & 0x40) {
        offset += ((tag >> 3) & 7u) + 1;
        uint32_t low = pos < stream.count() ? s[pos++] : 0;
        time += int64_t(((tag & 7u) << 8) | low);
        return true;
    }
    if (tag & 0x20) {
        offset += (pos < stream.count() ? s[pos++] : 0u) + 1;
        time += tag & 31;
        return true;
    }
    offset += uint32_t(readNumber(pos));
    time += unzigzag(readNumber(pos));
    return true;
}

ArrivalTimes::Stamp ArrivalTimes::timeOf(uint32_t offset) const
{
    Cursor c(*this);
    return c.timeOf(offset);
}

void ArrivalTimes::Cursor::seek(uint32_t offset)
{
    const IndexEntry *e = times.index.items();
    uint32_t lo = 0, hi = times.index.count();
    // The last entry at or before offset; the first note is always indexed.
    while (hi - lo > 1) {
        uint32_t mid = lo + (hi - lo) / 2;
        if (e[mid].offset <= offset)
            lo = mid;
        else
            hi = mid;
    }
    at.offset = e[lo].offset;
    at.time = e[lo].time;
    at.pos = e[lo].pos;
}

ArrivalTimes::Stamp ArrivalTimes::Cursor::timeOf(uint32_t offset)
{
    if (times.index.count() == 0)
        return 0;
    if (!placed || offset < at.offset) {
        seek(offset);
        placed = true;
    }
    // Notes added since are found too: the stream is decoded from where the
    // cursor stands each time.
    for (;;) {
        uint32_t pos = at.pos;
        uint32_t o = at.offset;
        Stamp t = at.time;
        if (!times.decode(pos, o, t) || o > offset)
            break;
        at = Note{o, t, pos};
    }
    return at.time;
}

void ArrivalTimes::cutHead(uint32_t bytes)
{
    if (bytes == 0 || notes == 0)
        return;
    if (bytes >= total) {
        clear();
        return;
    }
    // The notes from the cut on, moved to the new offsets; the byte at the
    // cut keeps the time it had.
    struct Kept
    {
        uint32_t offset;
        Stamp time;
    };
    PVect<Kept> kept(notes);
    if (!kept.reserve(notes)) {
        clear();
        return;
    }
    kept.at(0) = Kept{0, timeOf(bytes)};
    uint32_t pos = 0, o = 0;
    Stamp t = 0;
    while (decode(pos, o, t))
        if (o > bytes)
            kept.at(kept.count()) = Kept{o - bytes, t};
    uint32_t left = total - bytes;
    unsigned char last = lastByte;
    clear();
    for (uint32_t i = 0; i < kept.count(); ++i)
        note(kept.items()[i].offset, kept.items()[i].time);
    total = left;
    lastByte = last;
}
