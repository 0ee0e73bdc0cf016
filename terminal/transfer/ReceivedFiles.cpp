#include "terminal/transfer/ReceivedFiles.h"

#include <cstring>

namespace {

void copyBounded(char *to, const char *from, size_t size)
{
    to[0] = '\0';
    if (!from)
        return;
    size_t n = strnlen(from, size - 1);
    std::memcpy(to, from, n);
    to[n] = '\0';
}

} // namespace

ReceivedFiles::ReceivedFiles(Folder &files, const char *into, const char *chosenPath)
    : fs(files), open(false), failure(false), expected(unknownSize), mtime(0), kept(0)
{
    copyBounded(folder, into, sizeof folder);
    copyBounded(chosen, chosenPath, sizeof chosen);
    current[0] = '\0';
}

bool ReceivedFiles::startFile(const char *name, uint64_t size, uint32_t time)
{
    if (open)
        endFile(false);
    expected = size;
    mtime = time;
    if (name && *name) {
        char clean[pathMax];
        ReceivedName::clean(name, std::strlen(name), clean, sizeof clean);
        if (!ReceivedName::unique(folder, clean, fs, current, sizeof current)) {
            failure = true;
            return false;
        }
    } else if (chosen[0]) {
        std::memcpy(current, chosen, sizeof current);
    } else {
        char clean[pathMax];
        ReceivedName::clean(nullptr, 0, clean, sizeof clean);
        if (!ReceivedName::unique(folder, clean, fs, current, sizeof current)) {
            failure = true;
            return false;
        }
    }
    if (!fs.create(current)) {
        failure = true;
        return false;
    }
    open = true;
    return true;
}

bool ReceivedFiles::fileData(const unsigned char *data, uint32_t count)
{
    if (!open)
        return false;
    if (!fs.write(data, count)) {
        failure = true;
        return false;
    }
    return true;
}

void ReceivedFiles::endFile(bool complete)
{
    if (!open)
        return;
    open = false;
    bool closed = fs.close();
    if (!closed)
        failure = true;
    if (!complete || !closed) {
        fs.remove(current);
        return;
    }
    if (mtime)
        fs.setTime(current, mtime);
    ++kept;
}
