#ifndef UTIL_FILEREQUEST_H
#define UTIL_FILEREQUEST_H

#include <cstdint>

// What an open or save dialog is asked for, and which filter entry the
// chosen name matched.
struct FileRequest
{
    enum Mode
    {
        openMode = 0,
        saveMode = 1,
        // A save dialog that does not ask before naming an existing file:
        // what is written goes after what the file holds.
        appendMode = 2,   // any other value shows no dialog
    };

    // Zero-based filter entry: input of a save dialog, output of both.
    uint32_t filterIndex;
    // One extension per filter entry, each with its dot (".txt", ".*"),
    // ended by a null pointer.
    const char *const *extensions;
    // Pairs of description and pattern, each NUL-terminated, ended by an
    // extra NUL.
    const char *filterText;
    uint32_t dialogMode;
};

#endif
