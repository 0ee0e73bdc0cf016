#ifndef TESTS_WINE_HELPERS_NULLMODEMPEER_H
#define TESTS_WINE_HELPERS_NULLMODEMPEER_H

#include <windows.h>

#include <vector>

// The far end of a virtual null-modem cable (COM9 is the other end of COM2),
// opened with plain Win32 calls and no handshake, so tests can play the
// device a terminal talks to. A flood sends a block from a thread of its
// own while the test does other things.
class NullModemPeer
{
public:
    explicit NullModemPeer(const char *port = "COM9");
    ~NullModemPeer();

    NullModemPeer(const NullModemPeer &) = delete;
    NullModemPeer &operator=(const NullModemPeer &) = delete;

    bool isOpen() const { return port != INVALID_HANDLE_VALUE; }

    // Writes all of bytes; false when the port refused some.
    bool send(const void *bytes, DWORD count);
    // Collects bytes until `count` have come or timeoutMs have passed.
    std::vector<unsigned char> receive(size_t count, DWORD timeoutMs);
    // Discards whatever waits unread at this end.
    void purge();

    // Sends `bytes` from a thread of its own, in blocks of `block` bytes.
    bool startFlood(const std::vector<unsigned char> &bytes, DWORD block = 4096);
    // Bytes of the flood written so far.
    DWORD floodSent() const { return sent; }
    // Waits up to timeoutMs for the flood to end; true when it has.
    bool waitFlood(DWORD timeoutMs);

    // A reproducible byte stream without short periods, so a lost or
    // repeated block shows.
    static std::vector<unsigned char> pattern(size_t count, unsigned seed = 1);

private:
    static DWORD WINAPI floodThread(LPVOID param);

    HANDLE port;
    HANDLE flooder;
    std::vector<unsigned char> floodBytes;
    DWORD floodBlock;
    volatile DWORD sent;
};

#endif
