#ifndef TESTS_NATIVE_POSIXFOLDER_H
#define TESTS_NATIVE_POSIXFOLDER_H

// ReceivedFiles' file system as the native tests give it: real files in a
// folder of the test's, with '/' for the separator.

#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <utime.h>

#include "terminal/transfer/ReceivedFiles.h"

class PosixFolder : public ReceivedFiles::Folder
{
public:
    ~PosixFolder() override
    {
        if (file)
            std::fclose(file);
    }
    bool exists(const char *path) override
    {
        struct stat st;
        return stat(path, &st) == 0;
    }
    bool create(const char *path) override
    {
        file = std::fopen(path, "wb");
        return file != nullptr;
    }
    bool write(const unsigned char *data, uint32_t count) override
    {
        if (failWritesAfter != SIZE_MAX && written + count > failWritesAfter)
            return false;
        written += count;
        return std::fwrite(data, 1, count, file) == count;
    }
    bool close() override
    {
        bool ok = std::fclose(file) == 0;
        file = nullptr;
        return ok;
    }
    void remove(const char *path) override { std::remove(path); }
    void setTime(const char *path, uint32_t mtime) override
    {
        struct utimbuf t = {time_t(mtime), time_t(mtime)};
        utime(path, &t);
    }
    size_t failWritesAfter = SIZE_MAX;  // a disk that fills up
    size_t written = 0;

private:
    FILE *file = nullptr;
};

#endif
