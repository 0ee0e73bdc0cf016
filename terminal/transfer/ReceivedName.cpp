#include "terminal/transfer/ReceivedName.h"

#include <cstdio>
#include <cstring>

#include "util/FileNames.h"

namespace {

bool forbidden(unsigned char c)
{
    return c < 32 || c == 127 || std::strchr("<>:\"/\\|?*", c) != nullptr;
}

char upper(char c)
{
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

// CON, PRN, AUX, NUL, COM1..9, LPT1..9, with or without an extension, in
// any case: Windows opens the device for these in every folder.
bool reservedName(const char *name)
{
    size_t stem = 0;
    while (name[stem] && name[stem] != '.')
        ++stem;
    // "CON .txt" is CON too: Windows drops the spaces before the dot.
    while (stem > 0 && name[stem - 1] == ' ')
        --stem;
    char base[5] = {0};
    if (stem < 3 || stem > 4)
        return false;
    for (size_t i = 0; i < stem; ++i)
        base[i] = upper(name[i]);
    if (stem == 3)
        return !std::strcmp(base, "CON") || !std::strcmp(base, "PRN") || !std::strcmp(base, "AUX") ||
               !std::strcmp(base, "NUL");
    return (!std::strncmp(base, "COM", 3) || !std::strncmp(base, "LPT", 3)) && base[3] >= '1' && base[3] <= '9';
}

// Where the extension of a name starts (its last dot, not a leading one);
// the name's length when it has none.
size_t extensionAt(const char *name, size_t length)
{
    for (size_t i = length; i > 1; --i)
        if (name[i - 1] == '.')
            return i - 1;
    return length;
}

// stem + suffix + extension of name into out, the stem cut so that the
// whole takes at most room bytes; an extension too long to keep whole is
// cut with the stem. False when nothing of the stem would be left.
bool compose(const char *name, const char *suffix, char *out, size_t room)
{
    size_t length = std::strlen(name);
    size_t ext = extensionAt(name, length);
    size_t extLength = length - ext;
    size_t suffixLength = std::strlen(suffix);
    if (extLength + suffixLength + 1 > room) {
        ext = length;
        extLength = 0;
    }
    if (suffixLength + 1 > room)
        return false;
    size_t stem = ext;
    if (stem + suffixLength + extLength > room)
        stem = room - suffixLength - extLength;
    std::memcpy(out, name, stem);
    std::memcpy(out + stem, suffix, suffixLength);
    std::memcpy(out + stem + suffixLength, name + ext, extLength);
    out[stem + suffixLength + extLength] = '\0';
    return true;
}

// Longer than this after its last dot, a name has no extension to keep.
const size_t maxExtension = 16;

} // namespace

ReceivedName::Exists::~Exists() {}

const char *const ReceivedName::fallback = "received";

void ReceivedName::clean(const char *sent, size_t sentLength, char *out, size_t outSize)
{
    if (outSize == 0)
        return;
    out[0] = '\0';
    if (outSize < 2)
        return;
    size_t length = sent ? strnlen(sent, sentLength) : 0;
    // The last part only: the sender's folders mean nothing here.
    size_t from = 0;
    for (size_t i = 0; i < length; ++i)
        if (sent[i] == '/' || sent[i] == '\\')
            from = i + 1;
    char name[pathMax];
    size_t n = 0;
    name[0] = '_';  // room for the prefix of a device name
    // A name longer than a path loses the end of its stem, not its
    // extension (when that is short enough to be one).
    size_t part = length - from;
    size_t ext = extensionAt(sent + from, part);
    if (part - ext > maxExtension)
        ext = part;
    size_t cap = sizeof name - 2;
    size_t stem = ext;
    if (stem + (part - ext) > cap)
        stem = cap - (part - ext);
    for (size_t i = 0; i < part; ++i) {
        if (i == stem)
            i = ext;
        if (i >= part)
            break;
        unsigned char c = static_cast<unsigned char>(sent[from + i]);
        name[1 + n++] = forbidden(c) ? '_' : char(c);
    }
    name[1 + n] = '\0';
    // Windows drops trailing dots and spaces, so "a." would be "a" and ".."
    // the folder above: they are kept visible instead.
    for (size_t i = n; i > 0 && (name[i] == '.' || name[i] == ' '); --i)
        name[i] = '_';
    const char *plain = n == 0 ? fallback : name + 1;
    if (reservedName(plain))
        plain = name;
    compose(plain, "", out, outSize - 1);
}

bool ReceivedName::unique(const char *folder, const char *name, Exists &exists, char *out, size_t outSize)
{
    if (outSize > pathMax)
        outSize = pathMax;
    if (outSize == 0)
        return false;
    out[0] = '\0';
    size_t folderLength = folder ? strnlen(folder, outSize) : 0;
    bool separator = folderLength > 0 && folder[folderLength - 1] != '\\' && folder[folderLength - 1] != '/';
    size_t head = folderLength + (separator ? 1 : 0);
    // At least a byte of the name, and its NUL.
    if (head + 2 > outSize)
        return false;
    std::memcpy(out, folder, folderLength);
    if (separator)
        out[folderLength] = '\\';
    size_t room = outSize - head - 1;
    char suffix[16] = "";
    for (unsigned copy = 0; copy < 10000; ++copy) {
        if (copy)
            std::snprintf(suffix, sizeof suffix, " (%u)", copy);
        if (!compose(*name ? name : fallback, suffix, out + head, room))
            return false;
        if (!exists.exists(out))
            return true;
    }
    out[0] = '\0';
    return false;
}
