#ifndef TERMINAL_SENDWAIT_H
#define TERMINAL_SENDWAIT_H

#include <windows.h>

#include "comm/WriteWait.h"

class PWin;
class progressBar;

// How the terminal waits for a write the line holds (flow control, a peer
// that stops reading): it keeps the application's queue moving, so the
// window paints, received data is shown and buttons answer, and gives the
// write up when the send's "&Abort" was pressed or the terminal has gone.
class SendWait : public WriteWait
{
public:
    explicit SendWait(PWin *owner) : owner(owner), abortedBy(nullptr), limitMs(0), limitFrom(0) {}

    bool wait(HANDLE done, DWORD ms) override;

    // The progress dialog whose "&Abort" gives the writes up; null: none.
    void watch(const progressBar *bar) { abortedBy = bar; }
    // Writes are given up once they have waited ms from now; 0: no limit
    // beyond the port's own bound.
    void limit(DWORD ms)
    {
        limitMs = ms;
        limitFrom = GetTickCount();
    }

private:
    PWin *owner;
    const progressBar *abortedBy;
    DWORD limitMs;
    DWORD limitFrom;
};

#endif
