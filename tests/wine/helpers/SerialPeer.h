#ifndef TESTS_WINE_HELPERS_SERIALPEER_H
#define TESTS_WINE_HELPERS_SERIALPEER_H

#include <windows.h>

#include <string>
#include <vector>

// The far end of a virtual null-modem cable (COM9 is the other end of COM2),
// opened with plain Win32 calls and no handshake, so tests can play the
// device a terminal talks to.
//
// A pulling peer reads only when the test asks (receive), at 115200 baud
// with reads that return after 20 quiet milliseconds. A listening peer reads
// all the time on a thread of its own, at 256000 baud, and stamps every byte
// with its arrival; an echoing one also sends each block straight back.
// Either can flood: send a block from a thread of its own while the test
// does other things.
class SerialPeer
{
public:
    enum Mode
    {
        pulling,
        listening,
        echoing,
    };

    explicit SerialPeer(const char *port = "COM9", Mode mode = pulling);
    ~SerialPeer();

    SerialPeer(const SerialPeer &) = delete;
    SerialPeer &operator=(const SerialPeer &) = delete;

    bool isOpen() const { return port != INVALID_HANDLE_VALUE; }

    // Writes all of bytes (blocking); false when the port refused some.
    bool send(const void *bytes, DWORD count);
    bool send(const std::vector<unsigned char> &b) { return send(b.data(), DWORD(b.size())); }
    bool send(const std::string &s) { return send(s.data(), DWORD(s.size())); }

    // A pulling peer: collects bytes until `count` have come or timeoutMs
    // have passed.
    std::vector<unsigned char> receive(size_t count, DWORD timeoutMs);
    // A pulling peer: discards whatever waits unread at this end.
    void purge();

    // A listening peer: every byte read so far, and when each came (ms).
    std::vector<unsigned char> received();
    std::vector<double> arrivals();
    size_t receivedCount();
    void forget();

    // Sends `bytes` from a thread of its own, in blocks of `block` bytes.
    bool startFlood(const std::vector<unsigned char> &bytes, DWORD block = 4096);
    // Bytes of the flood written so far.
    DWORD floodSent() const { return sent; }
    // Waits up to timeoutMs for the flood to end; true when it has.
    bool waitFlood(DWORD timeoutMs);

    // A reproducible byte stream without short periods, so a lost or
    // repeated block shows.
    static std::vector<unsigned char> pattern(size_t count, unsigned seed = 1);
    // A steady clock in milliseconds, the one arrivals() are stamped with.
    static double nowMs();

private:
    void configure(DWORD baud, const COMMTIMEOUTS &timeouts);
    bool writeOverlapped(const unsigned char *data, DWORD count);
    bool writePlain(const unsigned char *data, DWORD count);
    static DWORD WINAPI readThread(LPVOID self);
    void readLoop();
    static DWORD WINAPI floodThread(LPVOID param);

    HANDLE port;
    Mode mode;
    // A listening peer's port is overlapped: its reader waits while the
    // test's thread writes.
    HANDLE writeEvent;
    HANDLE reader;
    volatile bool stopping;
    // Set when the peer goes: ends the reader's wait for a read at once.
    HANDLE stopEvent;
    CRITICAL_SECTION lock;   // the received bytes, and one write at a time
    std::vector<unsigned char> got;
    std::vector<double> times;

    HANDLE flooder;
    std::vector<unsigned char> floodBytes;
    DWORD floodBlock;
    volatile DWORD sent;
};

#endif
