#include "terminal/transfer/DiskFolder.h"

#include "util/P_File.h"

DiskFolder::~DiskFolder()
{
    delete file;
}

bool DiskFolder::exists(const char *path)
{
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

bool DiskFolder::create(const char *path)
{
    close();
    file = new P_File(path, P_File::create);
    if (file->open())
        return true;
    delete file;
    file = nullptr;
    return false;
}

bool DiskFolder::write(const unsigned char *data, uint32_t count)
{
    return file && (count == 0 || file->write(data, count) == count);
}

bool DiskFolder::close()
{
    if (!file)
        return true;
    bool flushed = file->flush();
    delete file;
    file = nullptr;
    return flushed;
}

void DiskFolder::remove(const char *path)
{
    DeleteFileA(path);
}

// Seconds since 1970 to the file's last write time, as the sender had it.
void DiskFolder::setTime(const char *path, uint32_t mtime)
{
    if (mtime == 0)
        return;
    HANDLE h = CreateFileA(path, FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return;
    ULARGE_INTEGER t;
    t.QuadPart = uint64_t(mtime) * 10000000ull + 116444736000000000ull;
    FILETIME ft;
    ft.dwLowDateTime = t.LowPart;
    ft.dwHighDateTime = t.HighPart;
    SetFileTime(h, nullptr, nullptr, &ft);
    CloseHandle(h);
}
