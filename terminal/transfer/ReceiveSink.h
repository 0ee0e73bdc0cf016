#ifndef TERMINAL_RECEIVESINK_H
#define TERMINAL_RECEIVESINK_H

#include <cstdint>

// Where a protocol receiver puts the files it receives: the receivers only
// decode the line, and whoever owns them writes the files.
class ReceiveSink
{
public:
    static constexpr uint64_t unknownSize = UINT64_MAX;

    virtual ~ReceiveSink();
    // A file begins. name is the sender's (empty for XMODEM, which sends
    // none), not yet cleaned; size is unknownSize when the sender gave none;
    // mtime is seconds since 1970, 0 when not given. False when the file
    // cannot be made: the receiver refuses it.
    virtual bool startFile(const char *name, uint64_t size, uint32_t mtime) = 0;
    // The file's next bytes. False when they could not be written.
    virtual bool fileData(const unsigned char *data, uint32_t count) = 0;
    // The file ends: complete, or not (the half file is to go).
    virtual void endFile(bool complete) = 0;
};

#endif
