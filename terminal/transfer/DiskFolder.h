#ifndef TERMINAL_DISKFOLDER_H
#define TERMINAL_DISKFOLDER_H

#include <windows.h>

#include "terminal/transfer/ReceivedFiles.h"

class P_File;

// The received files' folder on the disk: each file made, written and
// closed through P_File, a half file removed, the sender's time set.
class DiskFolder : public ReceivedFiles::Folder
{
public:
    DiskFolder() = default;
    ~DiskFolder() override;
    DiskFolder(const DiskFolder &) = delete;
    DiskFolder &operator=(const DiskFolder &) = delete;

    bool exists(const char *path) override;
    bool create(const char *path) override;
    bool write(const unsigned char *data, uint32_t count) override;
    bool close() override;
    void remove(const char *path) override;
    void setTime(const char *path, uint32_t mtime) override;

private:
    P_File *file = nullptr;   // owned; the file being written, or null
};

#endif
