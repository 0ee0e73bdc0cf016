#include "terminal/send/SendRecall.h"

#include <cstring>
#include <new>

namespace {

const unsigned char tag[4] = {'L', 'T', 'R', '1'};
const uint32_t headBytes = 8;    // the tag, the count
const uint32_t tailBytes = 4;    // the checksum

char *copyOf(const char *text, uint32_t length)
{
    char *copy = new (std::nothrow) char[length ? length : 1];
    if (copy && length)
        std::memcpy(copy, text, length);
    return copy;
}

void put32(unsigned char *out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out[i] = static_cast<unsigned char>(v >> (8 * i));
}

uint32_t get32(const unsigned char *in)
{
    return uint32_t(in[0]) | uint32_t(in[1]) << 8 | uint32_t(in[2]) << 16 | uint32_t(in[3]) << 24;
}

// FNV-1a: enough to tell the program's own value from an edited one.
uint32_t checksum(const unsigned char *data, uint32_t size)
{
    uint32_t h = 2166136261u;
    for (uint32_t i = 0; i < size; ++i)
        h = (h ^ data[i]) * 16777619u;
    return h;
}

} // namespace

SendRecall::SendRecall() : entries(), used(0), position(0), draft{nullptr, 0} {}

SendRecall::~SendRecall()
{
    clear();
}

void SendRecall::clear()
{
    for (uint32_t i = 0; i < used; ++i)
        delete[] entries[i].text;
    used = position = 0;
    delete[] draft.text;
    draft = Entry{nullptr, 0};
}

bool SendRecall::remember(const char *text, uint32_t length)
{
    position = used;
    if (length == 0 || length > maxText)
        return false;
    for (uint32_t i = 0; i < used; ++i) {
        if (entries[i].length != length || std::memcmp(entries[i].text, text, length) != 0)
            continue;
        Entry same = entries[i];
        std::memmove(entries + i, entries + i + 1, (used - i - 1) * sizeof(Entry));
        entries[used - 1] = same;
        return true;
    }
    char *copy = copyOf(text, length);
    if (!copy)
        return false;
    if (used == maxEntries) {
        delete[] entries[0].text;
        std::memmove(entries, entries + 1, (maxEntries - 1) * sizeof(Entry));
        --used;
    }
    entries[used++] = Entry{copy, length};
    position = used;
    return true;
}

void SendRecall::setDraft(const char *typed, uint32_t length)
{
    delete[] draft.text;
    draft = Entry{nullptr, 0};
    if (length > maxText)
        length = maxText;
    // Without memory for the draft, stepping past the newest gives an
    // empty box: the recalled texts themselves are unharmed.
    char *copy = copyOf(typed, length);
    if (copy)
        draft = Entry{copy, length};
}

bool SendRecall::back(const char *typed, uint32_t typedLength, const char **text, uint32_t *length)
{
    if (position == 0 || used == 0)
        return false;
    if (position == used)
        setDraft(typed, typedLength);
    --position;
    *text = entries[position].text;
    *length = entries[position].length;
    return true;
}

bool SendRecall::forward(const char **text, uint32_t *length)
{
    if (position >= used)
        return false;
    ++position;
    const Entry &e = position < used ? entries[position] : draft;
    *text = e.text ? e.text : "";
    *length = e.length;
    return true;
}

const char *SendRecall::text(uint32_t i, uint32_t *length) const
{
    if (i >= used) {
        *length = 0;
        return "";
    }
    *length = entries[i].length;
    return entries[i].text;
}

uint32_t SendRecall::firstStored() const
{
    uint32_t size = headBytes + tailBytes;
    uint32_t first = used;
    while (first > 0 && size + 4 + entries[first - 1].length <= maxStored) {
        size += 4 + entries[first - 1].length;
        --first;
    }
    return first;
}

uint32_t SendRecall::storedSize() const
{
    uint32_t size = headBytes + tailBytes;
    for (uint32_t i = firstStored(); i < used; ++i)
        size += 4 + entries[i].length;
    return size;
}

uint32_t SendRecall::store(unsigned char *out, uint32_t capacity) const
{
    uint32_t size = storedSize();
    if (capacity < size)
        return 0;
    uint32_t first = firstStored();
    std::memcpy(out, tag, 4);
    put32(out + 4, used - first);
    uint32_t at = headBytes;
    for (uint32_t i = first; i < used; ++i) {
        put32(out + at, entries[i].length);
        std::memcpy(out + at + 4, entries[i].text, entries[i].length);
        at += 4 + entries[i].length;
    }
    put32(out + at, checksum(out, at));
    return at + tailBytes;
}

bool SendRecall::load(const unsigned char *data, uint32_t size)
{
    if (!data || size < headBytes + tailBytes || size > maxStored || std::memcmp(data, tag, 4) != 0)
        return false;
    uint32_t n = get32(data + 4);
    if (n > maxEntries || get32(data + size - tailBytes) != checksum(data, size - tailBytes))
        return false;
    // Every length checked against what is left before anything is taken.
    Entry found[maxEntries];
    uint32_t at = headBytes, end = size - tailBytes;
    for (uint32_t i = 0; i < n; ++i) {
        if (end - at < 4)
            return false;
        uint32_t length = get32(data + at);
        at += 4;
        if (length == 0 || length > maxText || length > end - at)
            return false;
        const char *text = reinterpret_cast<const char *>(data + at);
        if (std::memchr(text, 0, length))
            return false;
        for (uint32_t k = 0; k < i; ++k)
            if (found[k].length == length && std::memcmp(found[k].text, text, length) == 0)
                return false;
        found[i] = Entry{const_cast<char *>(text), length};
        at += length;
    }
    if (at != end)
        return false;
    Entry copies[maxEntries];
    for (uint32_t i = 0; i < n; ++i) {
        copies[i] = Entry{copyOf(found[i].text, found[i].length), found[i].length};
        if (!copies[i].text) {
            for (uint32_t k = 0; k < i; ++k)
                delete[] copies[k].text;
            return false;
        }
    }
    clear();
    std::memcpy(entries, copies, n * sizeof(Entry));
    used = position = n;
    return true;
}
