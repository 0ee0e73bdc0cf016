#ifndef COMM_PCOM_H
#define COMM_PCOM_H

#include <windows.h>

#include "comm/ArrivalClock.h"
#include "comm/PComBase.h"

#include "comm/LinkLoss.h"

class ChunkTimes;
class LineConfig;
class P_CList;

// A serial port on the Windows communications API: overlapped I/O, one
// reader thread that moves received bytes into a 4096-byte queue and posts
// PWM_COMMDATA to notifyWnd, and a close that stops the reader before it
// releases the port.
class PCom : public PComBase
{
public:
    explicit PCom(HWND notifyWnd);
    ~PCom() override;

    bool open() override;
    void close() override;
    LONG write(const void *buffer, DWORD count) override;
    DWORD read(void *buffer, DWORD count) override;
    DWORD available() override;
    void sendBreak(DWORD ms) override;
    void purgeInput() override;
    bool isLost() override;

    // How long close waits at most for the reader to end (it ends within a
    // few milliseconds; the bound only keeps close from ever hanging).
    static constexpr DWORD closeWaitLimitMs = 5000;
    // The sleep between two polls of the driver, once waits have proved
    // useless or while the queue is full: short after bytes came, growing to
    // the longer bound while the line is idle.
    static constexpr DWORD driverPollMs = 2;
    static constexpr DWORD driverIdlePollMs = 10;
    // Consecutive failed event waits after which the reader polls instead.
    static constexpr int waitFailuresBeforePolling = 3;
    // The longest an event wait lasts before the reader looks at the port's
    // status: a device that vanishes is noticed within this, even where the
    // wait itself never reports it.
    static constexpr DWORD statusCheckMs = 250;

    // Takes what is queued, up to count bytes, without waiting, and when
    // each of them arrived.
    DWORD readTimed(void *buffer, DWORD count, ChunkTimes &times);

    // True while the reader has given up on event waits and polls the driver.
    bool readerPolls() const { return pollingDriver != 0; }
    // Bytes the reader has moved into the queue since the port was opened.
    DWORD bytesQueued();

protected:
    volatile DWORD readerThreadId;
    OVERLAPPED readOverlapped;
    OVERLAPPED writeOverlapped;
    CRITICAL_SECTION lock;
    volatile BYTE running;
    P_CList *rxQueue;

private:
    static bool configure(HANDLE port, const LineConfig &config);
    static DWORD WINAPI readerLoop(LPVOID param);
    DWORD runReader();
    // One pass: moves what fits of the driver's input into the queue.
    DWORD drainDriver();
    // Passes until the driver is empty or the queue full; true when bytes
    // were left in the driver for want of room.
    bool drainAll(DWORD &moved);
    bool waitForEvent(HANDLE port, bool &pending);
    void finishPendingWait(HANDLE port, bool pending);
    void stopReader(HANDLE port);
    // Into the queue with the time the reader took them from the driver.
    void queueChunk(DWORD got);

    OVERLAPPED waitOverlapped;   // the reader's event wait, apart from its reads
    DWORD waitMask;
    HANDLE stopEvent;            // set by close: releases every wait of the reader
    HANDLE readerThread;
    DWORD leftInDriver;          // bytes the last pass left for want of room
    volatile BYTE pollingDriver;
    LinkLoss link;               // the reader's view of the device; under lock
    volatile BYTE lost;          // the device has gone: the reader has stopped
    DWORD queuedTotal;           // under lock
    ArrivalClock arrivalClock;   // the reader's
    unsigned char transferBuffer[4096];
};

#endif
