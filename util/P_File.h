#ifndef UTIL_P_FILE_H
#define UTIL_P_FILE_H

#include <windows.h>

#include <cstdint>

// A named file read and written sequentially, with its own record of
// position and size (32-bit: files of 4 GiB or more are refused at open),
// numbered errors shown to the user in a warning box, and a resize that can
// keep the old contents in a backup file (".BAC" by default).
class P_File
{
public:
    enum Error
    {
        noError = 0,
        notAllocated = 1,
        notOpen = 2,
        userNumber = 3,
        readError = 4,
        writeError = 5,
        seekError = 6,
        undefinedError = 7,
    };

    enum Mode
    {
        readWrite = 0,   // existing file, created when missing
        readOnly = 1,    // the file must exist
        create = 2,      // an existing file is emptied; then readWrite
    };

    // Copies the name; does not open the file.
    P_File(const char *fileName, uint32_t openMode);
    ~P_File();

    P_File(const P_File &) = delete;
    P_File &operator=(const P_File &) = delete;

    // Opens according to the mode; false (silently) when it cannot. An
    // object that is already open is closed first.
    bool open();
    // Always true.
    bool close();
    // Bytes transferred; 0 on failure. On an object that is not open shows
    // "File non aperto" first.
    uint32_t read(void *buffer, uint32_t count);
    uint32_t write(const void *buffer, uint32_t count);
    // method FILE_BEGIN, FILE_CURRENT or FILE_END. Offsets before the start
    // or (FILE_CURRENT) beyond the end are clamped; FILE_BEGIN beyond the end
    // extends the file.
    bool seek(int32_t offset, DWORD method);
    // New length newSize. With backupExt (may be empty: ".BAC") the old file
    // is first renamed to the backup name and the new file gets its first
    // newSize bytes. On failure the object stays open on a file that exists:
    // the original when it could be put back, else the backup (and getName
    // then names the backup).
    bool resize(uint32_t newSize, const char *backupExt);
    bool flush();
    // Stores the code and shows its message as the caption of a warning box
    // with the file name as text. Returns 0.
    int reportError(int code);

    // The backup name for ext (".BAC" when null or empty) into out; false
    // when it does not fit.
    bool backupName(char *out, size_t outSize, const char *ext) const;

    const char *getName() const { return name; }
    bool isOpen() const { return handle != INVALID_HANDLE_VALUE; }
    HANDLE getHandle() const { return handle; }
    uint32_t getMode() const { return mode; }
    uint32_t getLastError() const { return lastError; }
    uint32_t getPosition() const { return position; }
    uint32_t getSize() const { return size; }

private:
    bool truncateTo(uint32_t newSize);
    bool swapToBackup(const char *backup);
    bool copyFromBackup(HANDLE target, uint32_t count);
    void restoreAfterFailedSwap(const char *kept, const char *backup);
    bool placePointer();
    void setName(const char *fileName);

    char *name;
    HANDLE handle;
    uint32_t mode;
    uint32_t lastError;
    uint32_t position;
    uint32_t size;
};

#endif
