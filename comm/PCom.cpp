#include "comm/PCom.h"

#include <cstring>

#include "comm/LineConfig.h"
#include "comm/P_CList.h"
#include "comm/WriteWait.h"
#include "comm/sectLock.h"

namespace {

const DWORD purgeAll = PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR;

// What the reader waits for: received bytes, a move of a modem input, and
// the line errors and breaks (whose kinds ClearCommError then reports).
const DWORD lineEvents = EV_CTS | EV_DSR | EV_RLSD | EV_RING | EV_ERR | EV_BREAK;
const DWORD receiveEvents = EV_RXCHAR | lineEvents;

void applyLineConfig(const LineConfig &config, DCB &dcb)
{
    dcb.DCBlength = sizeof(DCB);
    dcb.fBinary = config.fBinary;
    dcb.fParity = config.fParity;
    dcb.BaudRate = config.baudRate;
    dcb.ByteSize = config.byteSize;
    dcb.Parity = config.parity;
    dcb.StopBits = config.stopBits;
    if (config.setDtrDsr) {
        dcb.fOutxDsrFlow = config.fOutxDsrFlow;
        dcb.fDtrControl = config.fDtrControl;
    } else if (config.setDtrControlOnly && !LineConfig::ownsDtr(uint8_t(dcb.fDtrControl))) {
        dcb.fDtrControl = DTR_CONTROL_DISABLE;
    }
    dcb.fOutxCtsFlow = config.fOutxCtsFlow;
    dcb.fRtsControl = config.fRtsControl;
    dcb.fOutX = config.fOutX;
    dcb.fInX = config.fInX;
    dcb.XonChar = config.xonChar;
    dcb.XoffChar = config.xoffChar;
    dcb.XonLim = config.xonLim;
    dcb.XoffLim = config.xoffLim;
}

} // namespace

PCom::PCom(HWND notifyWnd)
    : PComBase(notifyWnd), readerThreadId(0), running(0), rxQueue(new P_CList(4096)), closeWaitMs(closeWaitLimitMs),
      waitMask(0), stopEvent(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
      wroteEvent(CreateEventA(nullptr, FALSE, FALSE, nullptr)), readerThread(nullptr), leftInDriver(0),
      pollingDriver(0), lost(0), queuedTotal(0), readerState(readerEnded), writeWait(nullptr), writePending(0),
      writeTotal(0), errorsPosted(false), refusedSignals(0), modemQueryable(1), dtrControl(0), rtsControl(0),
      dtrRaised(false), rtsRaised(false)
{
    std::memset(&readOverlapped, 0, sizeof readOverlapped);
    std::memset(&writeOverlapped, 0, sizeof writeOverlapped);
    std::memset(&waitOverlapped, 0, sizeof waitOverlapped);
    readOverlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    writeOverlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    waitOverlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    InitializeCriticalSection(&lock);
}

PCom::~PCom()
{
    close();
    // Only an owner that frees the object itself (not through discard) gets
    // here with a reader that outlived close's bound. The reader uses the
    // queue, the lock, the events and the handle: wait for it, however long.
    while (readerThreadId != 0 && handle != INVALID_HANDLE_VALUE)
        stopReader(handle);
    close();
    if (readerThread)
        CloseHandle(readerThread);
    CloseHandle(readOverlapped.hEvent);
    CloseHandle(writeOverlapped.hEvent);
    CloseHandle(waitOverlapped.hEvent);
    if (stopEvent)
        CloseHandle(stopEvent);
    if (wroteEvent)
        CloseHandle(wroteEvent);
    delete rxQueue;
    DeleteCriticalSection(&lock);
}

void PCom::discard(PCom *port)
{
    if (!port)
        return;
    port->close();
    // The reader outlived close's bound: it frees the object when it ends.
    if (port->readerThreadId != 0 &&
        InterlockedCompareExchange(&port->readerState, readerOrphaned, readerRuns) == readerRuns)
        return;
    delete port;
}

// The line, as the word and its extras ask: time-outs and the device
// control block, over what the port had. False when the port refuses it.
bool PCom::configure(HANDLE port, const LineConfig &config, BYTE &dtrMode, BYTE &rtsMode)
{
    SetCommMask(port, EV_RXCHAR);
    SetupComm(port, 2048, 1024);
    PurgeComm(port, purgeAll);
    COMMTIMEOUTS timeouts;
    timeouts.ReadIntervalTimeout = config.readIntervalTimeout;
    timeouts.ReadTotalTimeoutMultiplier = config.readTotalMultiplier;
    timeouts.ReadTotalTimeoutConstant = config.readTotalConstant;
    timeouts.WriteTotalTimeoutMultiplier = config.writeTotalMultiplier;
    timeouts.WriteTotalTimeoutConstant = config.writeTotalConstant;
    SetCommTimeouts(port, &timeouts);

    DCB dcb;
    std::memset(&dcb, 0, sizeof dcb);
    dcb.DCBlength = sizeof(DCB);
    GetCommState(port, &dcb);
    applyLineConfig(config, dcb);
    if (!SetCommState(port, &dcb))
        return false;
    dtrMode = BYTE(dcb.fDtrControl);
    rtsMode = BYTE(dcb.fRtsControl);
    return true;
}

bool PCom::open()
{
    if (handle != INVALID_HANDLE_VALUE) {
        close();
        if (handle != INVALID_HANDLE_VALUE)
            return false;
    }

    // A word edited in the registry may hold indexes beyond the tables.
    char name[16];
    LineConfig config;
    if (!CommSettings::devicePath(extras.portNumber(settings), name, sizeof name) ||
        !config.build(settings, extras, atOpen))
        return false;
    if (!stopEvent || !readOverlapped.hEvent || !writeOverlapped.hEvent || !waitOverlapped.hEvent)
        return false;

    SECURITY_ATTRIBUTES security = {sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE port = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, &security, OPEN_EXISTING,
                              FILE_FLAG_OVERLAPPED | FILE_ATTRIBUTE_NORMAL, nullptr);
    if (port == INVALID_HANDLE_VALUE)
        return false;
    if (!configure(port, config, dtrControl, rtsControl)) {
        CloseHandle(port);
        return false;
    }
    // Every open starts the lines, the inputs and the counts afresh.
    dtrRaised = dtrControl == DTR_CONTROL_ENABLE;
    rtsRaised = rtsControl == RTS_CONTROL_ENABLE;
    modem = ModemLines();
    errorCounts = LineErrors();
    errorsPosted = false;
    refusedSignals = 0;
    modemQueryable = 1;

    ResetEvent(stopEvent);
    leftInDriver = 0;
    pollingDriver = 0;
    link = LinkLoss();
    lost = 0;
    queuedTotal = 0;
    readerState = readerRuns;
    running = 1;
    DWORD id = 0;
    readerThread = CreateThread(nullptr, 0, readerLoop, this, 0, &id);
    if (!readerThread) {
        running = 0;
        CloseHandle(port);
        return false;
    }
    // The reader does nothing before it sees the handle, so the id is in
    // place before it can clear it.
    readerThreadId = id;

    sectLock held(&lock);
    handle = port;
    return true;
}

void PCom::close()
{
    if (handle == INVALID_HANDLE_VALUE)
        return;
    HANDLE port = handle;

    // A close that comes while a write waits (its writer pumps messages)
    // ends that write first.
    abandonWrite();
    running = 0;
    stopReader(port);
    // Never wait without bound: a reader that is still alive keeps the port
    // (and open reports failure) rather than losing the handle under it.
    if (readerThreadId != 0)
        return;
    if (readerThread) {
        CloseHandle(readerThread);
        readerThread = nullptr;
    }

    EscapeCommFunction(port, CLRDTR);
    PurgeComm(port, purgeAll);
    CloseHandle(port);
    handle = INVALID_HANDLE_VALUE;
}

// The stop event releases the reader from any of its waits at once; clearing
// the event mask also completes a pending event wait. The mask is cleared
// again every 100 ms in case the reader was between two waits.
void PCom::stopReader(HANDLE port)
{
    if (stopEvent)
        SetEvent(stopEvent);
    SetCommMask(port, 0);
    DWORD start = GetTickCount();
    while (readerThreadId != 0 && GetTickCount() - start < closeWaitMs) {
        SetCommMask(port, 0);
        if (readerThread)
            WaitForSingleObject(readerThread, 100);
        else
            Sleep(100);
    }
    // The id is the reader's last store; let the thread itself finish too.
    if (readerThreadId == 0 && readerThread)
        WaitForSingleObject(readerThread, 1000);
}

LONG PCom::write(const void *buffer, DWORD count)
{
    // One write at a time: a writer that pumps may be asked for another.
    if (handle == INVALID_HANDLE_VALUE || writePending)
        return 0;
    DWORD written = 0;
    BOOL done = WriteFile(handle, buffer, count, &written, &writeOverlapped);
    // An answer often follows what we send (a block's ACK): a polling
    // reader looks for it at once instead of at the end of an idle sleep.
    if (wroteEvent)
        SetEvent(wroteEvent);
    if (done)
        return LONG(written);
    if (GetLastError() != ERROR_IO_PENDING) {
        clearLineError(handle);
        return 0;
    }
    writePending = 1;
    return awaitWrite(count);
}

// The reader's sleep between two polls of the driver: short while bytes
// come, growing while none do, short again for a while after a write.
void PCom::pollIdle(bool busy, DWORD &pollSleep, int &quickPolls)
{
    if (busy)
        pollSleep = driverPollMs;
    else if (quickPolls > 0)
        --quickPolls;
    else if (pollSleep < driverIdlePollMs)
        pollSleep = pollSleep * 2 < driverIdlePollMs ? pollSleep * 2 : driverIdlePollMs;
    if (!wroteEvent) {
        WaitForSingleObject(stopEvent, pollSleep);
        return;
    }
    HANDLE waits[2] = {stopEvent, wroteEvent};
    if (WaitForMultipleObjects(2, waits, FALSE, pollSleep) == WAIT_OBJECT_0 + 1) {
        pollSleep = driverPollMs;
        quickPolls = quickPollsAfterWrite;
    }
}

DWORD PCom::writeBoundMs(DWORD count) const
{
    LineConfig config;
    if (!config.build(settings))
        return LineConfig::writeHoldMs;
    unsigned long long ms = (unsigned long long)config.writeTotalMultiplier * count + config.writeTotalConstant;
    return ms > 0x7FFFFFFFull ? 0x7FFFFFFFu : DWORD(ms);
}

// The driver ends a write at its time-outs (Wine too, with ERROR_TIMEOUT);
// the bound here, a little later, holds should a driver not.
LONG PCom::awaitWrite(DWORD count)
{
    const DWORD bound = writeBoundMs(count) + writeSlackMs;
    const DWORD start = GetTickCount();
    for (;;) {
        if (WaitForSingleObject(writeOverlapped.hEvent, 0) == WAIT_OBJECT_0)
            return finishWrite();
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= bound)
            break;
        DWORD slice = bound - elapsed < writeSliceMs ? bound - elapsed : writeSliceMs;
        bool keep = writeWait ? writeWait->wait(writeOverlapped.hEvent, slice)
                              : WaitForSingleObject(writeOverlapped.hEvent, slice) != WAIT_FAILED;
        if (!writePending)
            return writeTotal;   // closed from inside the wait
        if (!keep)
            break;
    }
    abandonWrite();
    return writeTotal;
}

// The outcome of the write whose event is set (or that was cancelled): the
// bytes it put out, also when it failed or timed out part way.
LONG PCom::finishWrite()
{
    DWORD written = 0;
    if (!GetOverlappedResult(handle, &writeOverlapped, &written, TRUE))
        clearLineError(handle);
    writePending = 0;
    writeTotal = LONG(written);
    return writeTotal;
}

// Only the writer's thread writes and closes, so CancelIo (which cancels the
// calling thread's I/O) reaches the pending write; a purge does not end it
// under Wine.
void PCom::abandonWrite()
{
    if (!writePending)
        return;
    CancelIo(handle);
    finishWrite();
}

void PCom::sendBreak(DWORD ms)
{
    if (handle == INVALID_HANDLE_VALUE)
        return;
    SetCommBreak(handle);
    SleepEx(ms, FALSE);
    ClearCommBreak(handle);
}

bool PCom::lineOwned(ModemLines::Output line)
{
    return line == ModemLines::dtr ? LineConfig::ownsDtr(dtrControl) : LineConfig::ownsRts(rtsControl);
}

bool PCom::lineRaised(ModemLines::Output line)
{
    if (handle == INVALID_HANDLE_VALUE || lineOwned(line))
        return false;
    return line == ModemLines::dtr ? dtrRaised : rtsRaised;
}

// Under a handshake the driver moves the line itself: a hand on it would
// fight the flow control, so it is refused here, before the driver.
// Wine on a pseudo-terminal refuses every line code (ERROR_NOT_SUPPORTED)
// though it takes the break codes; the port works on regardless.
bool PCom::setLine(ModemLines::Output line, bool raised)
{
    if (handle == INVALID_HANDLE_VALUE || lineOwned(line))
        return false;
    DWORD code = line == ModemLines::dtr ? (raised ? SETDTR : CLRDTR) : (raised ? SETRTS : CLRRTS);
    if (!EscapeCommFunction(handle, code)) {
        noteRefusal(GetLastError());
        return false;
    }
    (line == ModemLines::dtr ? dtrRaised : rtsRaised) = raised;
    return true;
}

// Wine on a pseudo-terminal takes both calls, but the far end sees no break.
bool PCom::setBreak(bool on)
{
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    if (on ? SetCommBreak(handle) : ClearCommBreak(handle))
        return true;
    noteRefusal(GetLastError());
    return false;
}

// A device that has gone refuses too; that is the loss, which the status
// calls find, not a driver without signals.
void PCom::noteRefusal(DWORD error)
{
    if (LinkLoss::meansDeviceGone(error) || refusedSignals)
        return;
    refusedSignals = 1;
}

ModemLines::State PCom::modemInputs()
{
    sectLock held(&lock);
    return modem.take();
}

LineErrors PCom::lineErrors()
{
    sectLock held(&lock);
    errorsPosted = false;
    return errorCounts;
}

bool PCom::clearLineError(HANDLE port)
{
    DWORD errors = 0;
    COMSTAT status;
    std::memset(&status, 0, sizeof status);
    if (!readLineStatus(port, errors, status))
        return false;
    countErrors(errors);
    return true;
}

// The kinds the driver reports are counted; the bytes they hit stay in the
// input as the driver gives them.
void PCom::countErrors(DWORD flags)
{
    if (flags == 0)
        return;
    sectLock held(&lock);
    if (!errorCounts.add(flags) || errorsPosted)
        return;
    errorsPosted = true;
    postLine(modem.peek());
}

void PCom::postLine(const ModemLines::State &state)
{
    if (notifyWnd && handle != INVALID_HANDLE_VALUE)
        PostMessageA(notifyWnd, PWM_COMMLINE, WPARAM(state.pack()), reinterpret_cast<LPARAM>(handle));
}

void PCom::readModem(HANDLE port, BYTE moved)
{
    if (!modemQueryable)
        return;
    DWORD status = 0;
    if (!GetCommModemStatus(port, &status)) {
        DWORD error = GetLastError();
        if (LinkLoss::meansDeviceGone(error))
            return;
        // Wine on a pseudo-terminal answers every status query so: the
        // inputs are not known, and asking again would tell nothing more.
        modemQueryable = 0;
        refusedSignals = 1;
        sectLock held(&lock);
        modem.setUnknown();
        postLine(modem.peek());
        return;
    }
    sectLock held(&lock);
    ModemLines::State step;
    if (modem.update(ModemLines::fromModemStatus(status), moved, &step))
        postLine(step);
}

DWORD PCom::read(void *buffer, DWORD count)
{
    if (handle == INVALID_HANDLE_VALUE || count == 0)
        return 0;
    unsigned char *out = static_cast<unsigned char *>(buffer);
    DWORD got = 0;
    DWORD idle = 0;
    for (;;) {
        DWORD k;
        {
            sectLock held(&lock);
            k = rxQueue->popBlock(out + got, count - got);
        }
        if (k > 0) {
            idle = 0;
            got += k;
        }
        if (got == count)
            return got;
        // The poll that found data counts as the first of the silence.
        if (++idle >= pollLimit)
            return got;
        SleepEx(pollInterval, FALSE);
    }
}

DWORD PCom::readTimed(void *buffer, DWORD count, ChunkTimes &times)
{
    if (handle == INVALID_HANDLE_VALUE || count == 0)
        return 0;
    sectLock held(&lock);
    return rxQueue->popBlock(static_cast<unsigned char *>(buffer), count, times);
}

DWORD PCom::available()
{
    if (handle == INVALID_HANDLE_VALUE)
        return 0;
    sectLock held(&lock);
    return rxQueue->count();
}

void PCom::purgeInput()
{
    sectLock held(&lock);
    if (handle != INVALID_HANDLE_VALUE)
        PurgeComm(handle, PURGE_RXCLEAR);
    rxQueue->clear();
}

// The reader finds out by itself within statusCheckMs; a writer whose write
// has just failed asks at once, so that it can tell a vanished device from a
// refused write.
bool PCom::isLost()
{
    if (lost)
        return true;
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    sectLock held(&lock);
    if (!clearLineError(handle) && LinkLoss::meansDeviceGone(GetLastError()))
        lost = 1;
    return lost != 0;
}

DWORD PCom::bytesQueued()
{
    sectLock held(&lock);
    return queuedTotal;
}

DWORD WINAPI PCom::readerLoop(LPVOID param)
{
    return static_cast<PCom *>(param)->runReader();
}

DWORD PCom::runReader()
{
    // open publishes the handle only once this thread exists.
    HANDLE port;
    for (;;) {
        {
            sectLock held(&lock);
            port = handle;
        }
        if (port != INVALID_HANDLE_VALUE)
            break;
        WaitForSingleObject(stopEvent, 10);
    }
    // A port that cannot receive is as good as lost: the owner is told, as
    // for a device that goes later, and can try it again.
    if (!startReceiving(port)) {
        lost = 1;
        reportLoss(port);
        return endReader(0);
    }

    bool pending = false;
    int failures = 0;
    DWORD pollSleep = driverPollMs;
    int quickPolls = 0;   // idle polls left at the shortest interval
    // A lost device ends the reader: nothing more can come from it.
    while (running && !lost) {
        // Bytes left in the driver for want of room raise no further event:
        // come back for them shortly, as the polling mode does every time.
        DWORD moved = 0;
        bool backlog = drainAll(moved);
        if (backlog || pollingDriver) {
            // Without event waits the inputs are looked at on each poll.
            if (pollingDriver)
                readModem(port, 0);
            pollIdle(backlog || moved > 0, pollSleep, quickPolls);
            continue;
        }
        if (waitForEvent(port, pending)) {
            failures = 0;
            continue;
        }
        if (!running)
            break;
        if (pending)
            continue;   // the wait is still armed; its time-out let us drain
        // Wine's serial driver on a pseudo-terminal fails every event wait at
        // once (ERROR_OPERATION_ABORTED; ERROR_NOT_SUPPORTED with the modem
        // events in the mask, as it cannot read a pseudo-terminal's modem
        // lines). Never spin on such waits: after a few failures in a row,
        // poll the driver's input count instead.
        if (++failures >= waitFailuresBeforePolling)
            pollingDriver = 1;
        WaitForSingleObject(stopEvent, driverPollMs);
    }
    finishPendingWait(port, pending);
    reportLoss(port);
    return endReader(1);
}

bool PCom::readLineStatus(HANDLE port, DWORD &errors, COMSTAT &status)
{
    return ClearCommError(port, &errors, &status) != FALSE;
}

bool PCom::startReceiving(HANDLE port)
{
    // A driver that cannot wait for the line's events still delivers bytes.
    if (!SetCommMask(port, receiveEvents) && !SetCommMask(port, EV_RXCHAR))
        return false;
    if (!clearLineError(port))
        return false;
    readModem(port, 0);
    return true;
}

// Said once, by posting: the reader never waits on the window thread. Not
// for a port being closed: its owner knows.
void PCom::reportLoss(HANDLE port)
{
    if (lost && running && notifyWnd)
        PostMessageA(notifyWnd, PWM_COMMLOST, 0, reinterpret_cast<LPARAM>(port));
}

// The reader's last act. Clearing the id tells close the reader is done;
// when the owner has let go of the object meanwhile (discard), the reader
// frees it, and the port with it.
DWORD PCom::endReader(DWORD result)
{
    if (InterlockedExchange(&readerState, readerEnded) != readerOrphaned) {
        readerThreadId = 0;
        return result;
    }
    CloseHandle(readerThread);
    readerThread = nullptr;
    readerThreadId = 0;
    delete this;
    return result;
}

// Arms (unless already armed) and waits for one receive event, together with
// the stop event. True when the wait ended with received bytes; false when it
// failed, ended without an event, was stopped, or is still pending after its
// time-out (pending then stays true).
bool PCom::waitForEvent(HANDLE port, bool &pending)
{
    if (!pending) {
        waitMask = 0;
        ResetEvent(waitOverlapped.hEvent);
        if (WaitCommEvent(port, &waitMask, &waitOverlapped))
            return takeEvent(port);
        if (GetLastError() != ERROR_IO_PENDING)
            return false;
        pending = true;
    }
    HANDLE waits[2] = {waitOverlapped.hEvent, stopEvent};
    DWORD woke = WaitForMultipleObjects(2, waits, FALSE, statusCheckMs);
    if (woke == WAIT_FAILED)
        Sleep(driverPollMs);
    if (woke != WAIT_OBJECT_0)
        return false;
    pending = false;
    DWORD unused = 0;
    if (!GetOverlappedResult(port, &waitOverlapped, &unused, FALSE))
        return false;
    return takeEvent(port);
}

// A modem event is read at once, so each move is posted by itself; errors
// and breaks are counted by the drain that follows every event.
bool PCom::takeEvent(HANDLE port)
{
    const BYTE moved = ModemLines::fromEvents(waitMask);
    if (waitMask & (EV_CTS | EV_DSR | EV_RLSD | EV_RING))
        readModem(port, moved);
    return (waitMask & receiveEvents) != 0;
}

// A pending wait writes into this object when it completes: see it complete
// before the reader reports its end.
void PCom::finishPendingWait(HANDLE port, bool pending)
{
    if (!pending)
        return;
    SetCommMask(port, 0);
    CancelIo(port);
    WaitForSingleObject(waitOverlapped.hEvent, 1000);
}

bool PCom::drainAll(DWORD &moved)
{
    while (running) {
        DWORD n = drainDriver();
        if (n == 0)
            break;
        moved += n;
        Sleep(0);
    }
    return leftInDriver > 0;
}

// Takes only what fits: bytes beyond the queue's free space stay in the
// driver, whose buffer and the line's flow control hold the peer back, and
// are fetched once the terminal has drained the queue. Nothing is discarded.
DWORD PCom::drainDriver()
{
    sectLock held(&lock);
    leftInDriver = 0;
    if (handle == INVALID_HANDLE_VALUE)
        return 0;

    DWORD errors = 0;
    COMSTAT status;
    std::memset(&status, 0, sizeof status);
    if (!readLineStatus(handle, errors, status)) {
        if (link.statusFailed(GetLastError()))
            lost = 1;
        return 0;
    }
    link.statusOk();
    countErrors(errors);
    DWORD n = rxQueue->freeSpace();
    if (n > status.cbInQue)
        n = status.cbInQue;
    if (n > sizeof transferBuffer)
        n = sizeof transferBuffer;
    leftInDriver = status.cbInQue - n;
    if (n == 0)
        return 0;

    DWORD got = 0;
    if (!ReadFile(handle, transferBuffer, n, &got, &readOverlapped)) {
        got = 0;
        if (GetLastError() == ERROR_IO_PENDING) {
            while (!GetOverlappedResult(handle, &readOverlapped, &got, TRUE)) {
                if (GetLastError() != ERROR_IO_INCOMPLETE) {
                    clearLineError(handle);
                    break;
                }
            }
        } else {
            clearLineError(handle);
        }
    }
    if (got > n)
        got = n;
    queueChunk(got);
    if (got > 0 && notifyWnd && notifyEnabled)
        PostMessageA(notifyWnd, PWM_COMMDATA, WPARAM(rxQueue->count()), reinterpret_cast<LPARAM>(handle));
    return got;
}

void PCom::queueChunk(DWORD got)
{
    if (got == 0)
        return;
    rxQueue->pushBlock(transferBuffer, got, arrivalClock.now());
    queuedTotal += got;
}
