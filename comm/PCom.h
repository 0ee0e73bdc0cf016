#ifndef COMM_PCOM_H
#define COMM_PCOM_H

#include <windows.h>

#include "comm/ArrivalClock.h"
#include "comm/PComBase.h"

#include "comm/LinkLoss.h"

class ChunkTimes;
class LineConfig;
class P_CList;
class WriteWait;

// A serial port on the Windows communications API: overlapped I/O, one
// reader thread that moves received bytes into a 4096-byte queue and posts
// PWM_COMMDATA to notifyWnd, and a close that stops the reader before it
// releases the port.
//
// An owner frees a port with discard: a reader that does not end within the
// close bound then keeps the object (and the port handle) and frees both
// itself when it ends. The destructor, for owners that cannot leave the
// object to the reader, waits for the reader however long it takes.
class PCom : public PComBase
{
public:
    explicit PCom(HWND notifyWnd);
    ~PCom() override;

    // Closes and frees port; null does nothing.
    static void discard(PCom *port);

    bool open() override;
    void close() override;
    LONG write(const void *buffer, DWORD count) override;
    DWORD read(void *buffer, DWORD count) override;
    DWORD available() override;
    void sendBreak(DWORD ms) override;
    void purgeInput() override;
    bool isLost() override;
    bool setLine(ModemLines::Output line, bool raised) override;
    bool lineRaised(ModemLines::Output line) override;
    bool lineOwned(ModemLines::Output line) override;
    bool setBreak(bool on) override;
    ModemLines::State modemInputs() override;
    LineErrors lineErrors() override;
    bool signalsRefused() override { return refusedSignals != 0; }

    // How long close waits at most for the reader to end (it ends within a
    // few milliseconds; the bound only keeps close from ever hanging).
    static constexpr DWORD closeWaitLimitMs = 5000;
    // The sleep between two polls of the driver, once waits have proved
    // useless or while the queue is full: short after bytes came, growing to
    // the longer bound while the line is idle.
    static constexpr DWORD driverPollMs = 2;
    static constexpr DWORD driverIdlePollMs = 10;
    // Idle polls at driverPollMs after a write, before the backoff resumes.
    static constexpr int quickPollsAfterWrite = 8;
    // Consecutive failed event waits after which the reader polls instead.
    static constexpr int waitFailuresBeforePolling = 3;
    // The longest an event wait lasts before the reader looks at the port's
    // status: a device that vanishes is noticed within this, even where the
    // wait itself never reports it.
    static constexpr DWORD statusCheckMs = 250;

    // Takes what is queued, up to count bytes, without waiting, and when
    // each of them arrived.
    DWORD readTimed(void *buffer, DWORD count, ChunkTimes &times);

    // A write lasts at most its bound: writeTotalConstant plus
    // writeTotalMultiplier per byte of the line's settings, and writeSlackMs
    // more should the driver not end it by itself. While it is pending the
    // writer's thread waits through `wait` (null: a plain wait) in slices of
    // writeSliceMs; a wait that answers false gives the write up. What went
    // out before stays out; the count says how much that was.
    void setWriteWait(WriteWait *wait) { writeWait = wait; }
    static constexpr DWORD writeSliceMs = 50;
    static constexpr DWORD writeSlackMs = 500;
    DWORD writeBoundMs(DWORD count) const;
    bool isWriting() const { return writePending != 0; }

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
    // How long close waits for the reader (closeWaitLimitMs; a test double
    // makes it short).
    DWORD closeWaitMs;

    // The reader's start: arms the receive event and asks the port's status
    // once. False when the port cannot receive (a device still coming up).
    virtual bool startReceiving(HANDLE port);
    // ClearCommError: the line errors since the last call and the driver's
    // queues. Every status call of the port goes through here.
    virtual bool readLineStatus(HANDLE port, DWORD &errors, COMSTAT &status);

private:
    // The DTR and RTS control modes the port took are left in the last two.
    static bool configure(HANDLE port, const LineConfig &config, BYTE &dtrControl, BYTE &rtsControl);
    // Who frees the object, the reader's end or the owner's discard: the
    // second of the two.
    enum { readerRuns = 0, readerEnded = 1, readerOrphaned = 2 };

    static DWORD WINAPI readerLoop(LPVOID param);
    DWORD runReader();
    DWORD endReader(DWORD result);
    void reportLoss(HANDLE port);
    LONG awaitWrite(DWORD count);
    LONG finishWrite();
    void abandonWrite();
    // One pass: moves what fits of the driver's input into the queue.
    DWORD drainDriver();
    // Passes until the driver is empty or the queue full; true when bytes
    // were left in the driver for want of room.
    bool drainAll(DWORD &moved);
    bool waitForEvent(HANDLE port, bool &pending);
    bool takeEvent(HANDLE port);
    void finishPendingWait(HANDLE port, bool pending);
    void stopReader(HANDLE port);
    void pollIdle(bool busy, DWORD &pollSleep, int &quickPolls);
    // Into the queue with the time the reader took them from the driver.
    void queueChunk(DWORD got);
    // ClearCommError, counting the line errors it reports; false when the
    // driver refused (the device may have gone).
    bool clearLineError(HANDLE port);
    void countErrors(DWORD flags);
    // The reader's look at the modem inputs; moved: the inputs its event
    // said changed.
    void readModem(HANDLE port, BYTE moved);
    // A modem call the driver refused: said once, never taken for the loss.
    void noteRefusal(DWORD error);
    void postLine(const ModemLines::State &state);

    OVERLAPPED waitOverlapped;   // the reader's event wait, apart from its reads
    DWORD waitMask;
    HANDLE stopEvent;            // set by close: releases every wait of the reader
    HANDLE wroteEvent;           // set by each write: a polling reader looks again soon
    HANDLE readerThread;
    DWORD leftInDriver;          // bytes the last pass left for want of room
    volatile BYTE pollingDriver;
    LinkLoss link;               // the reader's view of the device; under lock
    volatile BYTE lost;          // the device has gone: the reader has stopped
    DWORD queuedTotal;           // under lock
    ArrivalClock arrivalClock;   // the reader's
    volatile LONG readerState;   // readerRuns, readerEnded, readerOrphaned
    WriteWait *writeWait;        // not owned; null: plain waits
    volatile BYTE writePending;  // writeOverlapped is in use
    LONG writeTotal;             // what the last write put out
    ModemLines modem;            // under lock
    LineErrors errorCounts;      // under lock
    bool errorsPosted;           // under lock: a report waits to be read
    volatile BYTE refusedSignals;
    volatile BYTE modemQueryable;   // the reader's; cleared by a refused query
    BYTE dtrControl;             // the control modes the open left
    BYTE rtsControl;
    bool dtrRaised;              // as the open or the last setLine left them
    bool rtsRaised;
    unsigned char transferBuffer[4096];
};

#endif
