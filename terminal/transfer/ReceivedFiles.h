#ifndef TERMINAL_RECEIVEDFILES_H
#define TERMINAL_RECEIVEDFILES_H

#include <cstdint>

#include "terminal/transfer/ReceiveSink.h"
#include "terminal/transfer/ReceivedName.h"
#include "util/FileNames.h"

// Writes what a protocol receiver hands over into files of a folder: each
// under the sender's name made safe (ReceivedName), numbered when the name
// is taken, its time set as the sender gave it. A file that does not come
// whole is removed. XMODEM's one file goes under the path the operator
// chose instead. The file system is reached through a Folder, so that the
// decisions are the same on every platform.
class ReceivedFiles : public ReceiveSink
{
public:
    class Folder : public ReceivedName::Exists
    {
    public:
        // Makes path an empty file to write (replacing one the operator
        // chose to replace); false when it cannot.
        virtual bool create(const char *path) = 0;
        virtual bool write(const unsigned char *data, uint32_t count) = 0;
        // Ends the file created last; false when its end could not be written.
        virtual bool close() = 0;
        virtual void remove(const char *path) = 0;
        virtual void setTime(const char *path, uint32_t mtime) = 0;
    };

    // folder is where named files go; chosenPath, when given, is where the
    // file without a name (XMODEM's) goes. Both are copied.
    ReceivedFiles(Folder &fs, const char *folder, const char *chosenPath = nullptr);

    bool startFile(const char *name, uint64_t size, uint32_t mtime) override;
    bool fileData(const unsigned char *data, uint32_t count) override;
    void endFile(bool complete) override;

    // The file under way, or the last one (empty before the first).
    const char *path() const { return current; }
    uint64_t size() const { return expected; }
    uint32_t filesKept() const { return kept; }
    // A file could not be made or written: the transfer is to say so.
    bool failed() const { return failure; }

private:
    Folder &fs;
    char folder[pathMax];
    char chosen[pathMax];
    char current[pathMax];
    bool open;
    bool failure;
    uint64_t expected;
    uint32_t mtime;
    uint32_t kept;
};

#endif
