#ifndef TERMINAL_RECEIVEDNAME_H
#define TERMINAL_RECEIVEDNAME_H

#include <cstddef>

// The name a received file is written under. YMODEM and ZMODEM senders give
// a name of their own choosing: it may carry the sender's folders, bytes
// Windows does not allow in a name, or a device name (CON, COM1) that would
// write to a device instead of a file. What it becomes here is a plain name
// in the folder the operator chose, never one that replaces a file there.
class ReceivedName
{
public:
    // Whether a path names a file that is already there.
    class Exists
    {
    public:
        virtual ~Exists();
        virtual bool exists(const char *path) = 0;
    };

    // A name given when the sender gave none (or nothing of it is left).
    static const char *const fallback;  // "received"

    // The file-name part of the sender's name (sentLength bytes at most,
    // up to a NUL): without any folder part, with every character Windows
    // forbids (<>:"/\|?* and control bytes) and trailing dots and spaces
    // replaced by '_', a reserved device name prefixed with '_'. Into out
    // of outSize bytes, cut to fit (the extension kept where it can be).
    static void clean(const char *sent, size_t sentLength, char *out, size_t outSize);

    // folder, a separator and name (cleaned already) into out of outSize
    // bytes (at most the path limit), with " (1)", " (2)"... before the
    // extension while that path exists; the stem is cut to fit. False when
    // the folder leaves no room for a name, or every number up to 9999 is
    // taken.
    static bool unique(const char *folder, const char *name, Exists &exists, char *out, size_t outSize);
};

#endif
