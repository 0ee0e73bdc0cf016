#include "util/SentRecords.h"

#include <cstring>

namespace {

// Geometric growth, as the arrival times grow; false when no room.
template <class T>
bool reserveFor(PVect<T> &v, uint64_t needed)
{
    if (needed > UINT32_MAX)
        return false;
    if (v.capacity() >= needed)
        return true;
    uint64_t target = uint64_t(v.capacity()) + v.capacity() / 2;
    if (target < needed)
        target = needed;
    if (target > UINT32_MAX)
        target = UINT32_MAX;
    return v.reserve(uint32_t(target)) || v.reserve(uint32_t(needed));
}

} // namespace

SentRecords::SentRecords() : payload(4096), records(64), maxBytes(defaultLimit), full(false), noticeTaken(false) {}

uint64_t SentRecords::footprint() const
{
    return uint64_t(payload.count()) + uint64_t(records.count()) * sizeof(Entry);
}

bool SentRecords::refuse()
{
    full = true;
    return false;
}

bool SentRecords::takeFullNotice()
{
    if (!full || noticeTaken)
        return false;
    noticeTaken = true;
    return true;
}

bool SentRecords::addBytes(uint32_t at, Stamp time, const unsigned char *data, uint32_t count)
{
    if (count == 0 || !data)
        return false;
    return add(at, time, bytesSent, data, count, 0);
}

bool SentRecords::addFile(uint32_t at, Stamp time, const char *name, uint64_t size)
{
    uint32_t length = 0;
    if (name)
        while (length < maxName && name[length])
            ++length;
    return add(at, time, fileSent, reinterpret_cast<const unsigned char *>(name), length, size);
}

bool SentRecords::add(uint32_t at, Stamp time, Kind kind, const unsigned char *data, uint32_t length,
                      uint64_t size)
{
    if (footprint() + length + sizeof(Entry) > maxBytes)
        return refuse();
    uint32_t start = payload.count();
    // Both reservations before anything is written, so a refusal leaves
    // the records exactly as they were.
    if (!reserveFor(payload, uint64_t(start) + length) || !reserveFor(records, uint64_t(records.count()) + 1))
        return refuse();
    if (length)
        std::memcpy(payload.items() + start, data, length);
    if (length)
        payload.at(start + length - 1);   // count() follows what was copied
    uint32_t n = records.count();
    if (n && at < records.items()[n - 1].at)
        at = records.items()[n - 1].at;
    records.at(n) = Entry{at, start, length, uint8_t(kind), time, size};
    return true;
}

void SentRecords::clear()
{
    if (payload.capacity() > keptOnClear)
        payload.release();
    if (uint64_t(records.capacity()) * sizeof(Entry) > keptOnClear)
        records.release();
    payload.clear();
    records.clear();
    full = false;
    noticeTaken = false;
}

SentRecords::Record SentRecords::get(uint32_t i) const
{
    if (i >= records.count())
        return Record{0, bytesSent, 0, nullptr, 0, 0};
    const Entry &e = records.items()[i];
    return Record{e.at, Kind(e.kind), e.time, payload.items() + e.start, e.length, e.fileSize};
}

uint32_t SentRecords::firstAtOrAfter(uint32_t offset) const
{
    uint32_t lo = 0, hi = records.count();
    const Entry *e = records.items();
    while (lo < hi) {
        uint32_t mid = lo + (hi - lo) / 2;
        if (e[mid].at < offset)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

Interleave::Interleave(const SentRecords &sent, uint32_t historyBytes, uint32_t from)
    : sent(sent), end(historyBytes), at(from < historyBytes ? from : historyBytes),
      record(sent.firstAtOrAfter(from))
{
}

bool Interleave::next(Piece &piece)
{
    if (record < sent.count()) {
        uint32_t stop = sent.get(record).at;
        if (stop <= at || at >= end) {
            piece = Piece{true, at, at, record++};
            return true;
        }
        piece = Piece{false, at, stop < end ? stop : end, 0};
        at = piece.to;
        return true;
    }
    if (at >= end)
        return false;
    piece = Piece{false, at, end, 0};
    at = end;
    return true;
}
