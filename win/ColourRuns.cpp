#include "win/ColourRuns.h"

#include <cstdlib>
#include <cstring>

namespace {

size_t hashOf(const TextAttr &a)
{
    uint64_t h = (uint64_t(a.fg) * 0x9E3779B97F4A7C15ull) ^ (uint64_t(a.bg) * 0xC2B2AE3D27D4EB4Full) ^ a.flags;
    return size_t(h ^ (h >> 29));
}

} // namespace

ColourRuns::ColourRuns()
    : chunks(nullptr), firstChunk(0), allocated(0), tableCap(0), front(0), count(0), base(0), attrs(nullptr),
      attrCount(0), attrCap(0), slots(nullptr), slotCap(0), lastIndex(0)
{
}

ColourRuns::~ColourRuns()
{
    releaseRuns();
    std::free(chunks);
    std::free(attrs);
    std::free(slots);
}

// ---- Runs -----------------------------------------------------------------

void ColourRuns::setRun(size_t i, size_t start, uint16_t attr)
{
    size_t p = front + i;
    Chunk *c = chunks[firstChunk + p / chunkRuns];
    c->start[p % chunkRuns] = uint32_t(uint64_t(start) + base);
    c->attr[p % chunkRuns] = attr;
}

size_t ColourRuns::countAtMost(size_t offset) const
{
    size_t lo = 0, hi = count;
    while (lo < hi) {
        size_t mid = lo + (hi - lo) / 2;
        if (startOf(mid) <= offset)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

bool ColourRuns::reserveRuns(size_t more)
{
    while (allocated * chunkRuns < front + count + more) {
        if (firstChunk + allocated == tableCap) {
            if (firstChunk > 0) {
                std::memmove(chunks, chunks + firstChunk, allocated * sizeof *chunks);
                firstChunk = 0;
            } else {
                size_t want = tableCap ? tableCap * 2 : 8;
                Chunk **grown = static_cast<Chunk **>(std::realloc(chunks, want * sizeof *chunks));
                if (!grown)
                    return false;
                chunks = grown;
                tableCap = want;
            }
        }
        Chunk *c = static_cast<Chunk *>(std::malloc(sizeof(Chunk)));
        if (!c)
            return false;
        chunks[firstChunk + allocated++] = c;
    }
    return true;
}

void ColourRuns::truncate(size_t n)
{
    if (n < count)
        count = n;
}

void ColourRuns::dropFront(size_t n)
{
    if (n >= count) {
        releaseRuns();
        return;
    }
    front += n;
    count -= n;
    while (front >= chunkRuns) {
        std::free(chunks[firstChunk]);
        ++firstChunk;
        --allocated;
        front -= chunkRuns;
    }
}

void ColourRuns::releaseRuns()
{
    for (size_t i = 0; i < allocated; ++i)
        std::free(chunks[firstChunk + i]);
    firstChunk = allocated = front = count = 0;
}

// Puts a run at the end, where `start` is at or after the last one's; room
// was reserved. A run that changes nothing is left out, and one at the
// last one's start takes its place.
void ColourRuns::emit(size_t start, uint16_t attr)
{
    if (count && startOf(count - 1) == start)
        --count;
    uint16_t before = count ? attrOf(count - 1) : 0;
    if (before == attr)
        return;
    setRun(count++, start, attr);
}

// ---- Changes --------------------------------------------------------------

bool ColourRuns::setFrom(size_t at, const TextAttr &attr)
{
    if (count == 0 && attr.isDefault())
        return true;
    uint16_t index;
    if (!intern(attr, index) || !reserveRuns(1))
        return false;
    // Appending, the usual case, is past every run: no search.
    if (count && startOf(count - 1) >= at)
        truncate(at == 0 ? 0 : countAtMost(at - 1));
    emit(at, index);
    return true;
}

bool ColourRuns::paint(size_t from, size_t to, const TextAttr &attr)
{
    if (to <= from)
        return true;
    uint16_t index;
    if (!intern(attr, index))
        return false;
    return splice(from, index, to, to);
}

bool ColourRuns::paintBackground(size_t from, size_t to, uint32_t bg)
{
    if (to <= from)
        return true;
    size_t head = from == 0 ? 0 : countAtMost(from - 1);
    size_t inside = countAtMost(to - 1);   // runs starting before `to`
    size_t after = inside;                  // the first run at or after `to`
    uint16_t atTo = inside ? attrOf(inside - 1) : 0;
    // What the range turns into: the run holding `from` and each run that
    // starts inside, with the new background; then, at `to`, what was there.
    size_t most = inside - head + 1;
    // Room in the table for every new attribute first: making room later
    // would renumber the indices gathered meanwhile.
    if (attrCount + most > maxAttrs + 1 && (!collectUnused() || attrCount + most > maxAttrs + 1))
        return false;
    if (attrCap < attrCount + most && attrCap <= maxAttrs) {
        while (attrCap < attrCount + most && attrCap <= maxAttrs)
            if (!growTable())
                return false;
    }
    uint32_t *starts = static_cast<uint32_t *>(std::malloc((most + 1) * sizeof *starts));
    uint16_t *kinds = static_cast<uint16_t *>(std::malloc((most + 1) * sizeof *kinds));
    bool ok = starts && kinds;
    size_t n = 0;
    for (size_t i = head; ok && i <= inside; ++i) {
        size_t start = i == head ? from : startOf(i - 1);
        TextAttr a = attrs[i == head ? (head ? attrOf(head - 1) : 0) : attrOf(i - 1)];
        a.bg = bg;
        uint16_t index;
        ok = intern(a, index);
        starts[n] = uint32_t(start);
        kinds[n++] = index;
    }
    // The tail after `to` is moved only when there is one.
    size_t tail = count - after;
    uint32_t *tailStarts = nullptr;
    uint16_t *tailKinds = nullptr;
    if (ok && tail) {
        tailStarts = static_cast<uint32_t *>(std::malloc(tail * sizeof *tailStarts));
        tailKinds = static_cast<uint16_t *>(std::malloc(tail * sizeof *tailKinds));
        ok = tailStarts && tailKinds;
        for (size_t i = 0; ok && i < tail; ++i) {
            tailStarts[i] = uint32_t(startOf(after + i));
            tailKinds[i] = attrOf(after + i);
        }
    }
    size_t newMost = head + n + 1 + tail;
    ok = ok && (newMost <= count || reserveRuns(newMost - count));
    if (ok) {
        truncate(head);
        for (size_t i = 0; i < n; ++i)
            emit(starts[i], kinds[i]);
        emit(to, atTo);
        for (size_t i = 0; i < tail; ++i)
            emit(tailStarts[i], tailKinds[i]);
    }
    std::free(starts);
    std::free(kinds);
    std::free(tailStarts);
    std::free(tailKinds);
    return ok;
}

bool ColourRuns::replace(size_t pos, size_t cut, size_t n)
{
    if (count == 0)
        return true;
    return splice(pos, 0, pos + n, pos + cut);
}

// The text before `p` keeps its runs; from p the attribute is `attr`; from
// q on the text is what stood from r on before, shifted by q - r, with its
// runs.
bool ColourRuns::splice(size_t p, uint16_t attr, size_t q, size_t r)
{
    size_t keepFrom = countAtMost(r);
    uint16_t atR = keepFrom ? attrOf(keepFrom - 1) : 0;
    size_t head = p == 0 ? 0 : countAtMost(p - 1);
    if (keepFrom == count) {
        // Nothing follows: the runs are changed in place at the end.
        if (!reserveRuns(2))
            return false;
        truncate(head);
        emit(p, attr);
        emit(q, atR);
        return true;
    }
    size_t tail = count - keepFrom;
    size_t newMost = head + 2 + tail;
    uint32_t *starts = static_cast<uint32_t *>(std::malloc(tail * sizeof *starts));
    uint16_t *kinds = static_cast<uint16_t *>(std::malloc(tail * sizeof *kinds));
    bool ok = starts && kinds && (newMost <= count || reserveRuns(newMost - count));
    if (ok) {
        for (size_t i = 0; i < tail; ++i) {
            starts[i] = uint32_t(startOf(keepFrom + i) - r + q);
            kinds[i] = attrOf(keepFrom + i);
        }
        truncate(head);
        emit(p, attr);
        emit(q, atR);
        for (size_t i = 0; i < tail; ++i)
            emit(starts[i], kinds[i]);
    }
    std::free(starts);
    std::free(kinds);
    return ok;
}

void ColourRuns::eraseTail(size_t newLength)
{
    truncate(newLength == 0 ? 0 : countAtMost(newLength - 1));
}

void ColourRuns::eraseHead(size_t n)
{
    if (n == 0 || count == 0) {
        base += n;
        return;
    }
    size_t covered = countAtMost(n);
    if (covered > 0) {
        // The last run that starts in the cut now starts the text.
        dropFront(covered - 1);
        uint16_t attr = attrOf(0);
        base += n;
        setRun(0, 0, attr);
        if (attr == 0)
            dropFront(1);
    } else {
        base += n;
    }
}

void ColourRuns::clear()
{
    releaseRuns();
    std::free(chunks);
    chunks = nullptr;
    tableCap = 0;
    base = 0;
    std::free(attrs);
    attrs = nullptr;
    attrCount = attrCap = 0;
    std::free(slots);
    slots = nullptr;
    slotCap = 0;
    lastIndex = 0;
}

// ---- Reading --------------------------------------------------------------

TextAttr ColourRuns::attrAt(size_t offset) const
{
    TextAttr a;
    spanAt(offset, a);
    return a;
}

size_t ColourRuns::spanAt(size_t offset, TextAttr &attr) const
{
    size_t k = countAtMost(offset);
    attr = k ? attrs[attrOf(k - 1)] : TextAttr();
    return k < count ? startOf(k) : SIZE_MAX;
}

size_t ColourRuns::bytesHeld() const
{
    return allocated * sizeof(Chunk) + tableCap * sizeof *chunks + attrCap * sizeof *attrs + slotCap * sizeof *slots;
}

// ---- The table of attributes ----------------------------------------------

bool ColourRuns::intern(const TextAttr &attr, uint16_t &index)
{
    index = 0;
    if (attr.isDefault())
        return true;
    if (lastIndex && attr == lastAttr) {
        index = lastIndex;
        return true;
    }
    if (slotCap) {
        for (size_t s = hashOf(attr) & (slotCap - 1);; s = (s + 1) & (slotCap - 1)) {
            if (slots[s] == 0)
                break;
            if (attrs[slots[s] - 1] == attr) {
                index = uint16_t(slots[s] - 1);
                lastAttr = attr;
                lastIndex = index;
                return true;
            }
        }
    }
    if (attrCount == attrCap && !growTable())
        return false;
    if (attrCount > maxAttrs) {
        // Every attribute the table can hold is shown somewhere: this one
        // shows as the default rather than in another's colours.
        if (!collectUnused())
            return true;
    }
    attrs[attrCount] = attr;
    index = uint16_t(attrCount++);
    lastAttr = attr;
    lastIndex = index;
    for (size_t s = hashOf(attr) & (slotCap - 1);; s = (s + 1) & (slotCap - 1))
        if (slots[s] == 0) {
            slots[s] = uint32_t(index) + 1;
            break;
        }
    return true;
}

// Room for one more attribute; index 0 is the default, held from the start.
bool ColourRuns::growTable()
{
    if (attrCap > maxAttrs)
        return true;
    size_t want = attrCap ? attrCap * 2 : 16;
    if (want > maxAttrs + 1)
        want = maxAttrs + 1;
    TextAttr *grown = static_cast<TextAttr *>(std::realloc(attrs, want * sizeof *attrs));
    if (!grown)
        return false;
    attrs = grown;
    uint32_t *hash = static_cast<uint32_t *>(std::calloc(want * 2, sizeof *hash));
    if (!hash) {
        // The bigger table is kept; its room is not used until the hash grows too.
        return false;
    }
    if (attrCap == 0)
        attrs[attrCount++] = TextAttr();
    attrCap = want;
    std::free(slots);
    slots = hash;
    slotCap = want * 2;
    rehash();
    return true;
}

void ColourRuns::rehash()
{
    std::memset(slots, 0, slotCap * sizeof *slots);
    for (size_t i = 1; i < attrCount; ++i)
        for (size_t s = hashOf(attrs[i]) & (slotCap - 1);; s = (s + 1) & (slotCap - 1))
            if (slots[s] == 0) {
                slots[s] = uint32_t(i) + 1;
                break;
            }
}

// Drops the attributes no run uses and renumbers the runs; true when room
// was made.
bool ColourRuns::collectUnused()
{
    uint16_t *renumber = static_cast<uint16_t *>(std::calloc(attrCount, sizeof *renumber));
    if (!renumber)
        return false;
    const uint16_t unused = 0xFFFF;
    for (size_t i = 1; i < attrCount; ++i)
        renumber[i] = unused;
    for (size_t i = 0; i < count; ++i)
        renumber[attrOf(i)] = 0;
    size_t kept = 1;
    for (size_t i = 1; i < attrCount; ++i)
        if (renumber[i] != unused) {
            attrs[kept] = attrs[i];
            renumber[i] = uint16_t(kept++);
        }
    for (size_t i = 0; i < count; ++i)
        setRun(i, startOf(i), renumber[attrOf(i)]);
    std::free(renumber);
    attrCount = kept;
    lastIndex = 0;
    rehash();
    return attrCount <= maxAttrs;
}
