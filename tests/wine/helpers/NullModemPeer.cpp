#include "wine/helpers/NullModemPeer.h"

#include <cstdint>
#include <cstring>

NullModemPeer::NullModemPeer(const char *name)
    : port(INVALID_HANDLE_VALUE), flooder(nullptr), floodBlock(4096), sent(0)
{
    port = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (port == INVALID_HANDLE_VALUE)
        return;
    DCB dcb;
    std::memset(&dcb, 0, sizeof dcb);
    dcb.DCBlength = sizeof dcb;
    GetCommState(port, &dcb);
    dcb.BaudRate = 115200;
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
    // A read returns as soon as anything has come, or after 20 ms.
    COMMTIMEOUTS t = {MAXDWORD, MAXDWORD, 20, 0, 0};
    SetCommTimeouts(port, &t);
    PurgeComm(port, PURGE_RXCLEAR | PURGE_TXCLEAR);
}

NullModemPeer::~NullModemPeer()
{
    if (flooder) {
        // A flood still blocked by a full line ends when the port goes away.
        if (WaitForSingleObject(flooder, 0) != WAIT_OBJECT_0)
            CancelIo(port);
    }
    if (port != INVALID_HANDLE_VALUE) {
        PurgeComm(port, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
        CloseHandle(port);
    }
    if (flooder) {
        WaitForSingleObject(flooder, 5000);
        CloseHandle(flooder);
    }
}

bool NullModemPeer::send(const void *bytes, DWORD count)
{
    const unsigned char *p = static_cast<const unsigned char *>(bytes);
    while (count > 0) {
        DWORD written = 0;
        if (!WriteFile(port, p, count, &written, nullptr) || written == 0)
            return false;
        p += written;
        count -= written;
    }
    return true;
}

std::vector<unsigned char> NullModemPeer::receive(size_t count, DWORD timeoutMs)
{
    std::vector<unsigned char> got;
    unsigned char chunk[4096];
    DWORD start = GetTickCount();
    while (got.size() < count && GetTickCount() - start < timeoutMs) {
        DWORD want = DWORD(count - got.size() < sizeof chunk ? count - got.size() : sizeof chunk);
        DWORD n = 0;
        if (!ReadFile(port, chunk, want, &n, nullptr))
            Sleep(5);   // keep a failing port from spinning the test
        got.insert(got.end(), chunk, chunk + n);
        if (n == 0)
            Sleep(1);
    }
    return got;
}

void NullModemPeer::purge()
{
    PurgeComm(port, PURGE_RXCLEAR);
    receive(1u << 20, 50);
}

bool NullModemPeer::startFlood(const std::vector<unsigned char> &bytes, DWORD block)
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

bool NullModemPeer::waitFlood(DWORD timeoutMs)
{
    return flooder && WaitForSingleObject(flooder, timeoutMs) == WAIT_OBJECT_0;
}

DWORD WINAPI NullModemPeer::floodThread(LPVOID param)
{
    NullModemPeer *self = static_cast<NullModemPeer *>(param);
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

std::vector<unsigned char> NullModemPeer::pattern(size_t count, unsigned seed)
{
    std::vector<unsigned char> bytes(count);
    uint32_t x = seed * 2654435761u + 12345u;
    for (size_t i = 0; i < count; ++i) {
        x = x * 1664525u + 1013904223u;
        bytes[i] = static_cast<unsigned char>(x >> 24);
    }
    return bytes;
}
