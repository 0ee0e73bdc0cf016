#ifndef UTIL_FILENAMES_H
#define UTIL_FILENAMES_H

#include <cstddef>

// Path arithmetic of the file layer and the open/save dialogs, kept free of
// the platform. Paths are 8-bit texts with '\\' (or '/') between folders and
// an optional drive ("C:"); a full path takes at most pathMax bytes with its
// NUL.

const size_t pathMax = 260;

// The file-name part of path: after its last folder separator or drive;
// points into path.
const char *fileNamePart(const char *path);

// The extension of the file-name part of path: from its last dot, dot
// included; points into path, at its terminating NUL when there is none.
const char *fileExtension(const char *path);

// path with its extension replaced by ext (".BAC" when ext is null or
// empty), into out of outSize bytes. False, with out empty when it has
// room, when the result does not fit.
bool makeBackupName(const char *path, const char *ext, char *out, size_t outSize);

// Position of the first entry of the null-terminated list that equals ext
// ignoring letter case, or -1.
int matchExtension(const char *ext, const char *const *extensions);

// Appends ext to the NUL-terminated text in buffer of bufferSize bytes.
// False, with buffer unchanged, when the result would not fit.
bool appendExtension(char *buffer, size_t bufferSize, const char *ext);

// Whether text holds a wildcard ('*' or '?'): a filter pattern such as ".*",
// which no file name may contain.
bool hasWildcard(const char *text);

// The folder part of path into out: everything before its last separator,
// keeping the separator of a drive root ("C:\\"). False, with out empty
// when it has room, when path names no folder or the result does not fit.
bool folderOf(const char *path, char *out, size_t outSize);

// Text of a file error code (0..7); codes beyond the table give the text
// of the undefined error.
const char *fileErrorText(int code);

#endif
