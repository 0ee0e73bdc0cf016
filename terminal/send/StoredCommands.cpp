#include "terminal/send/StoredCommands.h"

#include <cstring>
#include <new>

namespace {

const unsigned char tag[4] = {'L', 'T', 'C', '1'};

void put32(unsigned char *out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out[i] = static_cast<unsigned char>(v >> (8 * i));
}

uint32_t get32(const unsigned char *in)
{
    return uint32_t(in[0]) | uint32_t(in[1]) << 8 | uint32_t(in[2]) << 16 | uint32_t(in[3]) << 24;
}

uint32_t checksum(const unsigned char *data, uint32_t size)
{
    uint32_t h = 2166136261u;
    for (uint32_t i = 0; i < size; ++i)
        h = (h ^ data[i]) * 16777619u;
    return h;
}

bool acceptable(const char *name, uint32_t nameLength, const char *text, uint32_t textLength, uint32_t interval)
{
    if (nameLength > StoredCommands::maxName || textLength > StoredCommands::maxText ||
        interval > StoredCommands::maxInterval)
        return false;
    if ((nameLength && (!name || std::memchr(name, 0, nameLength))) ||
        (textLength && (!text || std::memchr(text, 0, textLength))))
        return false;
    return true;
}

} // namespace

StoredCommands::StoredCommands() : table() {}

StoredCommands::~StoredCommands()
{
    clear();
}

void StoredCommands::clear()
{
    for (Row &r : table) {
        delete[] r.text;
        r = Row();
    }
}

bool StoredCommands::set(uint32_t row, const char *name, uint32_t nameLength, const char *text,
                         uint32_t textLength, uint32_t interval)
{
    if (row >= rows || !acceptable(name, nameLength, text, textLength, interval))
        return false;
    char *copy = nullptr;
    if (textLength) {
        copy = new (std::nothrow) char[textLength];
        if (!copy)
            return false;
        std::memcpy(copy, text, textLength);
    }
    Row &r = table[row];
    delete[] r.text;
    if (nameLength)
        std::memcpy(r.name, name, nameLength);
    r.nameLength = nameLength;
    r.text = copy;
    r.textLength = textLength;
    r.interval = interval;
    return true;
}

const char *StoredCommands::name(uint32_t row, uint32_t *length) const
{
    *length = row < rows ? table[row].nameLength : 0;
    return row < rows ? table[row].name : "";
}

const char *StoredCommands::text(uint32_t row, uint32_t *length) const
{
    if (row >= rows || !table[row].text) {
        *length = 0;
        return "";
    }
    *length = table[row].textLength;
    return table[row].text;
}

uint32_t StoredCommands::interval(uint32_t row) const
{
    return row < rows ? table[row].interval : 0;
}

bool StoredCommands::hasText(uint32_t row) const
{
    return row < rows && table[row].textLength > 0;
}

uint32_t StoredCommands::menuLabel(uint32_t row, char *out) const
{
    uint32_t n = 0;
    if (row >= rows) {
        out[0] = '\0';
        return 0;
    }
    const Row &r = table[row];
    const char *shown = r.nameLength ? r.name : r.text;
    uint32_t length = r.nameLength ? r.nameLength : (r.textLength < maxName ? r.textLength : maxName);
    for (uint32_t i = 0; i < length; ++i) {
        char c = shown[i];
        // A line break or tab of a text would cut the item: shown as a space.
        if (c == '\r' || c == '\n' || c == '\t')
            c = ' ';
        if (c == '&')
            out[n++] = '&';
        out[n++] = c;
    }
    out[n++] = '\t';
    out[n++] = 'F';
    if (row + 1 >= 10)
        out[n++] = '1';
    out[n++] = char('0' + (row + 1) % 10);
    out[n] = '\0';
    return n;
}

uint32_t StoredCommands::storedSize() const
{
    uint32_t size = 4 + 4;   // the tag, the checksum
    for (const Row &r : table)
        size += 12 + r.nameLength + r.textLength;
    return size;
}

uint32_t StoredCommands::store(unsigned char *out, uint32_t capacity) const
{
    uint32_t size = storedSize();
    if (capacity < size)
        return 0;
    std::memcpy(out, tag, 4);
    uint32_t at = 4;
    for (const Row &r : table) {
        put32(out + at, r.interval);
        put32(out + at + 4, r.nameLength);
        if (r.nameLength)
            std::memcpy(out + at + 8, r.name, r.nameLength);
        at += 8 + r.nameLength;
        put32(out + at, r.textLength);
        if (r.textLength)
            std::memcpy(out + at + 4, r.text, r.textLength);
        at += 4 + r.textLength;
    }
    put32(out + at, checksum(out, at));
    return at + 4;
}

bool StoredCommands::load(const unsigned char *data, uint32_t size)
{
    const uint32_t most = 8 + rows * (12 + maxName + maxText);
    if (!data || size < 8 + rows * 12 || size > most || std::memcmp(data, tag, 4) != 0 ||
        get32(data + size - 4) != checksum(data, size - 4))
        return false;
    struct Found
    {
        const char *name, *text;
        uint32_t nameLength, textLength, interval;
    } found[rows];
    uint32_t at = 4, end = size - 4;
    for (Found &f : found) {
        if (end - at < 8)
            return false;
        f.interval = get32(data + at);
        f.nameLength = get32(data + at + 4);
        at += 8;
        if (f.nameLength > maxName || f.nameLength > end - at)
            return false;
        f.name = reinterpret_cast<const char *>(data + at);
        at += f.nameLength;
        if (end - at < 4)
            return false;
        f.textLength = get32(data + at);
        at += 4;
        if (f.textLength > maxText || f.textLength > end - at)
            return false;
        f.text = reinterpret_cast<const char *>(data + at);
        at += f.textLength;
        if (!acceptable(f.name, f.nameLength, f.text, f.textLength, f.interval))
            return false;
    }
    if (at != end)
        return false;
    // Into a fresh table first, so that running out of memory half way
    // leaves the rows as they were.
    StoredCommands fresh;
    for (uint32_t i = 0; i < rows; ++i)
        if (!fresh.set(i, found[i].name, found[i].nameLength, found[i].text, found[i].textLength, found[i].interval))
            return false;
    clear();
    std::memcpy(static_cast<void *>(table), fresh.table, sizeof table);
    for (Row &r : fresh.table)
        r = Row();
    return true;
}
