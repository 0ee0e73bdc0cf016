#ifndef COMM_PCOMBASE_H
#define COMM_PCOMBASE_H

#include <windows.h>

#include "comm/CommExtras.h"
#include "comm/CommNotify.h"
#include "comm/CommSettings.h"
#include "comm/LineErrors.h"
#include "comm/LinesAtOpen.h"
#include "comm/ModemLines.h"

// The port interface the terminal talks to. The owner stores the settings
// word to use into `settings` (and what the word cannot say into `extras`),
// calls open, and deletes the object to close the port.
class PComBase
{
public:
    explicit PComBase(HWND notifyWnd)
        : notifyWnd(notifyWnd), settings(), handle(INVALID_HANDLE_VALUE), notifyEnabled(1),
          pollInterval(20), pollLimit(100)
    {
    }
    virtual ~PComBase() {}

    PComBase(const PComBase &) = delete;
    PComBase &operator=(const PComBase &) = delete;

    // True when the port is open, configured and its reader runs.
    virtual bool open() = 0;
    // Does nothing when the port is not open.
    virtual void close() = 0;
    // Bytes written; 0 when the port is closed or the write failed at once.
    virtual LONG write(const void *buffer, DWORD count) = 0;
    // Bytes copied, possibly fewer than count after a silence.
    virtual DWORD read(void *buffer, DWORD count) = 0;
    // Bytes queued; 0 while the port is closed.
    virtual DWORD available() = 0;
    // Holds the line in the break state for ms milliseconds.
    virtual void sendBreak(DWORD ms) = 0;
    // Discards the driver's input and the whole receive queue.
    virtual void purgeInput() {}
    // True once the device behind the open port has gone (unplugged); asks
    // the driver when the reader has not found out yet.
    virtual bool isLost() { return false; }

    // The modem lines. A port that has none (the defaults here) refuses
    // every change and knows no input.
    //
    // Raises or drops DTR or RTS at once. False when the port is closed, when
    // the flow control owns the line, or when the driver refused (which
    // signalsRefused then says); a refusal is never the port's loss.
    virtual bool setLine(ModemLines::Output, bool) { return false; }
    // True while the line is raised, as the open or the last setLine left it.
    virtual bool lineRaised(ModemLines::Output) { return false; }
    // True when the flow control in force drives the line itself.
    virtual bool lineOwned(ModemLines::Output) { return false; }
    // Puts the line into the break state (on) or takes it out; false when
    // closed or refused. The caller times the break.
    virtual bool setBreak(bool) { return false; }
    // The inputs now and those that moved since the last call.
    virtual ModemLines::State modemInputs() { return ModemLines::State(); }
    // The line errors counted since the port opened.
    virtual LineErrors lineErrors() { return LineErrors(); }
    // True once the driver has refused a modem call: it does not carry the
    // signals (Wine on a pseudo-terminal).
    virtual bool signalsRefused() { return false; }

    HWND notifyWnd;
    CommSettings settings;
    HANDLE handle;
    // Written by the window thread, read by the reader: gates PWM_COMMDATA.
    volatile BYTE notifyEnabled;
    DWORD pollInterval;   // ms between the polls of a waiting read
    DWORD pollLimit;      // empty polls after which a read gives up
    CommExtras extras;    // the port beyond COM16, the flow the word cannot say
    LinesAtOpen atOpen;   // DTR and RTS at open, where the flow control leaves them
};

#endif
