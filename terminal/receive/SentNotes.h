#ifndef TERMINAL_SENTNOTES_H
#define TERMINAL_SENTNOTES_H

#include <cstdint>

// Where the sends tell what they put on the line, as it goes out: the send
// box, a byte, a stored command, a file. The receive session shows it among
// what arrived (Show Sent) and logs it; the senders know nothing more of it.
class SentNotes
{
public:
    // Bytes about to be written, as they go on the line.
    virtual void sentBytes(const unsigned char *data, uint32_t count) = 0;
    // A raw or protocol file send about to start: its name and size stand
    // for its bytes.
    virtual void sentFile(const char *name, uint64_t size) = 0;

protected:
    ~SentNotes() = default;
};

#endif
