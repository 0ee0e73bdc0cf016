#include "util/FileNames.h"

#include <cctype>
#include <cstring>

const char *fileNamePart(const char *path)
{
    const char *start = path;
    for (const char *p = path; *p; ++p) {
        if (*p == '\\' || *p == '/' || *p == ':')
            start = p + 1;
    }
    return start;
}

namespace {

bool equalIgnoringCase(const char *a, const char *b)
{
    for (;; ++a, ++b) {
        int ca = std::tolower(static_cast<unsigned char>(*a));
        int cb = std::tolower(static_cast<unsigned char>(*b));
        if (ca != cb)
            return false;
        if (!ca)
            return true;
    }
}

} // namespace

const char *fileExtension(const char *path)
{
    const char *name = fileNamePart(path);
    const char *dot = std::strrchr(name, '.');
    return dot ? dot : name + std::strlen(name);
}

bool makeBackupName(const char *path, const char *ext, char *out, size_t outSize)
{
    if (outSize)
        out[0] = 0;
    if (!ext || !*ext)
        ext = ".BAC";
    size_t stem = size_t(fileExtension(path) - path);
    size_t extLen = std::strlen(ext);
    if (stem + extLen + 1 > outSize)
        return false;
    std::memcpy(out, path, stem);
    std::memcpy(out + stem, ext, extLen + 1);
    return true;
}

int matchExtension(const char *ext, const char *const *extensions)
{
    if (!ext || !extensions)
        return -1;
    for (int i = 0; extensions[i]; ++i) {
        if (equalIgnoringCase(ext, extensions[i]))
            return i;
    }
    return -1;
}

bool appendExtension(char *buffer, size_t bufferSize, const char *ext)
{
    if (!ext)
        return true;
    size_t len = strnlen(buffer, bufferSize);
    size_t extLen = std::strlen(ext);
    if (len >= bufferSize || len + extLen + 1 > bufferSize)
        return false;
    std::memcpy(buffer + len, ext, extLen + 1);
    return true;
}

bool hasWildcard(const char *text)
{
    return text && std::strpbrk(text, "*?") != nullptr;
}

bool folderOf(const char *path, char *out, size_t outSize)
{
    if (outSize)
        out[0] = 0;
    const char *last = nullptr;
    for (const char *p = path; *p; ++p) {
        if (*p == '\\' || *p == '/')
            last = p;
    }
    if (!last)
        return false;
    size_t length = size_t(last - path);
    // A file in a drive root lives in "C:\", one at the top in "\".
    if (length == 0 || (length == 2 && path[1] == ':'))
        ++length;
    if (length + 1 > outSize)
        return false;
    std::memcpy(out, path, length);
    out[length] = 0;
    return true;
}

const char *fileErrorText(int code)
{
    static const char *const texts[] = {
        "Nessun Errore",         "Gestore non allocato", "File non aperto",          "Errore numero di user",
        "Errore in lettura",     "Errore in scrittura",  "Errore di posizionamento", "Errore indefinito",
    };
    if (code < 0 || code >= int(sizeof texts / sizeof texts[0]))
        return texts[7];
    return texts[code];
}
