#include "wine/helpers/SerialPeer.h"

#include <cstdint>
#include <cstring>

SerialPeer::SerialPeer(const char *name, Mode how)
    : port(INVALID_HANDLE_VALUE), mode(how), writeEvent(nullptr), reader(nullptr), stopping(false), stopEvent(nullptr),
      flooder(nullptr), floodBlock(4096), sent(0)
{
    InitializeCriticalSection(&lock);
    bool overlapped = mode != pulling;
    port = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                       overlapped ? FILE_FLAG_OVERLAPPED : 0, nullptr);
    if (port == INVALID_HANDLE_VALUE)
        return;
    if (!overlapped) {
        // A read returns as soon as anything has come, or after 20 ms.
        COMMTIMEOUTS t = {MAXDWORD, MAXDWORD, 20, 0, 0};
        configure(115200, t);
        return;
    }
    // Every read returns at once; the reader polls.
    COMMTIMEOUTS t = {MAXDWORD, 0, 0, 0, 0};
    configure(256000, t);
    writeEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    stopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    reader = CreateThread(nullptr, 0, readThread, this, 0, nullptr);
}

SerialPeer::~SerialPeer()
{
    stopping = true;
    if (stopEvent)
        SetEvent(stopEvent);
    if (reader) {
        WaitForSingleObject(reader, 5000);
        CloseHandle(reader);
    }
    if (flooder) {
        // A flood still blocked by a full line ends when the port goes away.
        if (WaitForSingleObject(flooder, 0) != WAIT_OBJECT_0)
            CancelIo(port);
    }
    if (port != INVALID_HANDLE_VALUE) {
        if (mode == pulling)
            PurgeComm(port, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
        CloseHandle(port);
    }
    if (flooder) {
        WaitForSingleObject(flooder, 5000);
        CloseHandle(flooder);
    }
    if (writeEvent)
        CloseHandle(writeEvent);
    if (stopEvent)
        CloseHandle(stopEvent);
    DeleteCriticalSection(&lock);
}

void SerialPeer::configure(DWORD baud, const COMMTIMEOUTS &timeouts)
{
    DCB dcb;
    std::memset(&dcb, 0, sizeof dcb);
    dcb.DCBlength = sizeof dcb;
    GetCommState(port, &dcb);
    dcb.BaudRate = baud;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = 1;
    dcb.fParity = 0;
    dcb.fOutxCtsFlow = 0;
    dcb.fOutxDsrFlow = 0;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fOutX = 0;
    dcb.fInX = 0;
    SetCommState(port, &dcb);
    COMMTIMEOUTS t = timeouts;
    SetCommTimeouts(port, &t);
    PurgeComm(port, PURGE_RXCLEAR | PURGE_TXCLEAR);
}

bool SerialPeer::send(const void *bytes, DWORD count)
{
    const unsigned char *p = static_cast<const unsigned char *>(bytes);
    if (mode == pulling)
        return writePlain(p, count);
    EnterCriticalSection(&lock);
    bool ok = writeOverlapped(p, count);
    LeaveCriticalSection(&lock);
    return ok;
}

bool SerialPeer::writePlain(const unsigned char *p, DWORD count)
{
    while (count > 0) {
        DWORD written = 0;
        if (!WriteFile(port, p, count, &written, nullptr) || written == 0)
            return false;
        p += written;
        count -= written;
    }
    return true;
}

bool SerialPeer::writeOverlapped(const unsigned char *data, DWORD count)
{
    DWORD total = 0;
    while (total < count) {
        OVERLAPPED ov;
        std::memset(&ov, 0, sizeof ov);
        ResetEvent(writeEvent);
        ov.hEvent = writeEvent;
        DWORD done = 0;
        if (!WriteFile(port, data + total, count - total, &done, &ov)) {
            if (GetLastError() != ERROR_IO_PENDING)
                return false;
            if (!GetOverlappedResult(port, &ov, &done, TRUE))
                return false;
        }
        if (done == 0)
            return false;
        total += done;
    }
    return true;
}

std::vector<unsigned char> SerialPeer::receive(size_t count, DWORD timeoutMs)
{
    std::vector<unsigned char> bytes;
    unsigned char chunk[4096];
    DWORD start = GetTickCount();
    while (bytes.size() < count && GetTickCount() - start < timeoutMs) {
        DWORD want = DWORD(count - bytes.size() < sizeof chunk ? count - bytes.size() : sizeof chunk);
        DWORD n = 0;
        if (!ReadFile(port, chunk, want, &n, nullptr))
            Sleep(5);   // keep a failing port from spinning the test
        bytes.insert(bytes.end(), chunk, chunk + n);
        if (n == 0)
            Sleep(1);
    }
    return bytes;
}

void SerialPeer::purge()
{
    PurgeComm(port, PURGE_RXCLEAR);
    receive(1u << 20, 50);
}

std::vector<unsigned char> SerialPeer::received()
{
    EnterCriticalSection(&lock);
    std::vector<unsigned char> r = got;
    LeaveCriticalSection(&lock);
    return r;
}

std::vector<double> SerialPeer::arrivals()
{
    EnterCriticalSection(&lock);
    std::vector<double> r = times;
    LeaveCriticalSection(&lock);
    return r;
}

size_t SerialPeer::receivedCount()
{
    EnterCriticalSection(&lock);
    size_t n = got.size();
    LeaveCriticalSection(&lock);
    return n;
}

void SerialPeer::forget()
{
    EnterCriticalSection(&lock);
    got.clear();
    times.clear();
    LeaveCriticalSection(&lock);
}

DWORD WINAPI SerialPeer::readThread(LPVOID self)
{
    static_cast<SerialPeer *>(self)->readLoop();
    return 0;
}

void SerialPeer::readLoop()
{
    HANDLE ev = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    unsigned char buf[4096];
    while (!stopping) {
        OVERLAPPED ov;
        std::memset(&ov, 0, sizeof ov);
        ResetEvent(ev);
        ov.hEvent = ev;
        DWORD n = 0;
        if (!ReadFile(port, buf, sizeof buf, &n, &ov)) {
            // Wine leaves a read of a quiet pseudo-terminal pending despite
            // the time-outs; waiting on the read alone held the peer's end
            // until the next byte came, or for the destructor's whole bound.
            HANDLE waits[2] = {ev, stopEvent};
            if (GetLastError() != ERROR_IO_PENDING) {
                n = 0;
            } else if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0) {
                CancelIo(port);
                if (!GetOverlappedResult(port, &ov, &n, TRUE))
                    n = 0;
            } else if (!GetOverlappedResult(port, &ov, &n, FALSE)) {
                n = 0;
            }
        }
        if (n == 0) {
            // The timeouts make every read return at once; poll gently.
            Sleep(1);
            continue;
        }
        double t = nowMs();
        EnterCriticalSection(&lock);
        got.insert(got.end(), buf, buf + n);
        times.insert(times.end(), n, t);
        if (mode == echoing)
            writeOverlapped(buf, n);
        LeaveCriticalSection(&lock);
    }
    CloseHandle(ev);
}

bool SerialPeer::startFlood(const std::vector<unsigned char> &bytes, DWORD block)
{
    if (flooder || !isOpen())
        return false;
    floodBytes = bytes;
    floodBlock = block ? block : 1;
    sent = 0;
    DWORD id = 0;
    flooder = CreateThread(nullptr, 0, floodThread, this, 0, &id);
    return flooder != nullptr;
}

bool SerialPeer::waitFlood(DWORD timeoutMs)
{
    return flooder && WaitForSingleObject(flooder, timeoutMs) == WAIT_OBJECT_0;
}

DWORD WINAPI SerialPeer::floodThread(LPVOID param)
{
    SerialPeer *self = static_cast<SerialPeer *>(param);
    DWORD total = DWORD(self->floodBytes.size());
    while (self->sent < total) {
        DWORD n = total - self->sent;
        if (n > self->floodBlock)
            n = self->floodBlock;
        if (!self->send(self->floodBytes.data() + self->sent, n))
            return 0;
        self->sent += n;
    }
    return 1;
}

std::vector<unsigned char> SerialPeer::pattern(size_t count, unsigned seed)
{
    std::vector<unsigned char> bytes(count);
    uint32_t x = seed * 2654435761u + 12345u;
    for (size_t i = 0; i < count; ++i) {
        x = x * 1664525u + 1013904223u;
        bytes[i] = static_cast<unsigned char>(x >> 24);
    }
    return bytes;
}

double SerialPeer::nowMs()
{
    static LARGE_INTEGER freq = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    return double(c.QuadPart) * 1000.0 / double(freq.QuadPart);
}
