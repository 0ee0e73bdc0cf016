#include "util/P_File.h"

#include "util/FileNames.h"
#include "util/dupString.h"
#include "util/showWarning.h"

namespace {

const DWORD copyBlock = 4096;

// Whether the file exists, and its length. A length that does not fit in
// 32 bits is reported through tooLarge.
bool lookUp(const char *fileName, uint32_t *length, bool *tooLarge)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(fileName, &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    FindClose(search);
    *length = found.nFileSizeLow;
    *tooLarge = found.nFileSizeHigh != 0;
    return true;
}

HANDLE createAlways(const char *fileName)
{
    return CreateFileA(fileName, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

} // namespace

P_File::P_File(const char *fileName, uint32_t openMode)
    : name(dupString(fileName)), handle(INVALID_HANDLE_VALUE), mode(openMode), lastError(0), position(0), size(0)
{
}

P_File::~P_File()
{
    close();
    delete[] name;
}

void P_File::setName(const char *fileName)
{
    char *copy = dupString(fileName);
    delete[] name;
    name = copy;
}

bool P_File::open()
{
    close();
    uint32_t length = 0;
    bool tooLarge = false;
    bool exists = lookUp(name, &length, &tooLarge);
    if (mode == create || (!exists && mode != readOnly)) {
        handle = createAlways(name);
        if (handle == INVALID_HANDLE_VALUE && exists) {
            // A file that cannot be recreated (its attributes, say) may
            // still be emptied in place, for writing.
            handle = CreateFileA(name, GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, TRUNCATE_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
        }
        if (handle != INVALID_HANDLE_VALUE)
            mode = readWrite;
        size = 0;
    } else {
        // The object counts in 32 bits; a longer file would be misread.
        if (tooLarge)
            return false;
        DWORD access = mode == readOnly ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
        DWORD share = mode == readOnly ? FILE_SHARE_READ : FILE_SHARE_READ | FILE_SHARE_WRITE;
        handle = CreateFileA(name, access, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        size = length;
    }
    position = 0;
    return handle != INVALID_HANDLE_VALUE;
}

bool P_File::close()
{
    if (handle != INVALID_HANDLE_VALUE) {
        CloseHandle(handle);
        handle = INVALID_HANDLE_VALUE;
    }
    return true;
}

uint32_t P_File::read(void *buffer, uint32_t count)
{
    if (!isOpen())
        return uint32_t(reportError(notOpen));
    // Never count past 4 GiB.
    if (count > UINT32_MAX - position)
        count = UINT32_MAX - position;
    DWORD got = 0;
    if (!ReadFile(handle, buffer, count, &got, nullptr))
        return 0;
    position += got;
    if (position > size)
        size = position;
    return got;
}

uint32_t P_File::write(const void *buffer, uint32_t count)
{
    if (!isOpen())
        return uint32_t(reportError(notOpen));
    // A file the object could not count any more is not made.
    if (count > UINT32_MAX - position)
        return 0;
    DWORD put = 0;
    if (!WriteFile(handle, buffer, count, &put, nullptr))
        return 0;
    position += put;
    if (position > size)
        size = position;
    return put;
}

bool P_File::seek(int32_t offset, DWORD method)
{
    if (!isOpen())
        return reportError(notOpen) != 0;
    int64_t wanted = offset;
    switch (method) {
    case FILE_BEGIN:
        if (wanted > int64_t(size)) {
            resize(uint32_t(wanted), nullptr);
            size = uint32_t(wanted);
        }
        break;
    case FILE_CURRENT:
        if (wanted < 0 && -wanted > int64_t(position))
            wanted = -int64_t(position);
        else if (wanted > 0 && int64_t(position) + wanted > int64_t(size))
            wanted = int64_t(size) - int64_t(position);
        break;
    case FILE_END:
        if (wanted < 0 && -wanted > int64_t(size))
            wanted = -int64_t(size);
        break;
    default:
        break;
    }
    // The whole 64-bit position: past 2 GiB the low half alone reads as
    // negative, and a file may be up to 4 GiB long.
    LARGE_INTEGER distance, result;
    distance.QuadPart = wanted;
    if (!SetFilePointerEx(handle, distance, &result, method) || result.QuadPart < 0 ||
        result.QuadPart > LONGLONG(UINT32_MAX))
        return reportError(seekError) != 0;
    position = uint32_t(result.QuadPart);
    if (position > size)
        size = position;
    return true;
}

bool P_File::truncateTo(uint32_t newSize)
{
    LONG high = 0;
    DWORD at = SetFilePointer(handle, LONG(newSize), &high, FILE_BEGIN);
    if (at != newSize || high != 0)
        return false;
    return SetEndOfFile(handle) != FALSE;
}

// Puts the system's file pointer back where the object counts it: resizing
// moves it to the new end.
bool P_File::placePointer()
{
    LONG high = 0;
    return SetFilePointer(handle, LONG(position), &high, FILE_BEGIN) == position && high == 0;
}

bool P_File::backupName(char *out, size_t outSize, const char *ext) const
{
    return makeBackupName(name, ext, out, outSize);
}

bool P_File::swapToBackup(const char *backup)
{
    close();
    SetFileAttributesA(backup, FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(backup);
    if (!MoveFileA(name, backup))
        return false;
    setName(backup);
    if (mode != readOnly)
        mode = readWrite;
    return open();
}

bool P_File::copyFromBackup(HANDLE target, uint32_t count)
{
    LONG high = 0;
    if (SetFilePointer(handle, 0, &high, FILE_BEGIN) != 0)
        return false;
    char block[copyBlock];
    while (count > 0) {
        DWORD want = count < copyBlock ? count : copyBlock;
        DWORD got = 0;
        if (!ReadFile(handle, block, want, &got, nullptr))
            return false;
        if (got == 0)
            break;   // the backup is shorter than the new size
        DWORD put = 0;
        if (!WriteFile(target, block, got, &put, nullptr) || put != got)
            return false;
        count -= got;
    }
    return true;
}

// The backup could not be turned into the new file: put the original back
// under its own name, or failing that stay on the backup, named as such.
// Either way the object ends open on a file that exists.
void P_File::restoreAfterFailedSwap(const char *kept, const char *backup)
{
    close();
    uint32_t length = 0;
    bool tooLarge = false;
    if (lookUp(kept, &length, &tooLarge) || MoveFileA(backup, kept))
        setName(kept);
    else
        setName(backup);
    uint32_t savedPosition = position;
    if (mode != readOnly)
        mode = readWrite;
    // Reopen only what is there: never create an empty stand-in.
    if (lookUp(name, &length, &tooLarge))
        open();
    if (isOpen() && savedPosition <= size) {
        position = savedPosition;
        placePointer();
    }
}

bool P_File::resize(uint32_t newSize, const char *backupExt)
{
    if (!isOpen())
        return reportError(notOpen) != 0;
    if (!backupExt) {
        if (!truncateTo(newSize)) {
            placePointer();
            return false;
        }
    } else {
        char backup[pathMax];
        if (!backupName(backup, sizeof backup, backupExt))
            return false;
        // A file already named like its backup would be deleted as the
        // "old backup" before it could be moved.
        if (lstrcmpiA(backup, name) == 0)
            return false;
        char *kept = dupString(name);
        uint32_t savedPosition = position;
        if (!swapToBackup(backup)) {
            position = savedPosition;
            restoreAfterFailedSwap(kept, backup);
            delete[] kept;
            return false;
        }
        HANDLE fresh = createAlways(kept);
        if (fresh == INVALID_HANDLE_VALUE) {
            position = savedPosition;
            restoreAfterFailedSwap(kept, backup);
            delete[] kept;
            return false;
        }
        bool copied = copyFromBackup(fresh, newSize);
        close();
        handle = fresh;
        setName(kept);
        delete[] kept;
        position = savedPosition;
        // A backup shorter than newSize leaves the rest of the new file as
        // the system extends it.
        if (!copied || !truncateTo(newSize)) {
            DWORD high = 0;
            DWORD low = GetFileSize(handle, &high);
            size = high == 0 && low != INVALID_FILE_SIZE ? low : 0;
            if (position > size)
                position = size;
            placePointer();
            return false;
        }
    }
    size = newSize;
    if (position > size)
        position = size;
    placePointer();
    return true;
}

bool P_File::flush()
{
    if (!isOpen())
        return false;
    return FlushFileBuffers(handle) != FALSE;
}

int P_File::reportError(int code)
{
    lastError = uint32_t(code);
    showWarning(fileErrorText(code), name);
    return 0;
}
