#ifndef TESTS_WINE_HELPERS_DRIVERTHREAD_H
#define TESTS_WINE_HELPERS_DRIVERTHREAD_H

#include <windows.h>

// The thread behind every helper that plays the operator while the test's
// thread sits in a modal loop: it answers message boxes, fills file dialogs,
// picks from menus, drives the program's own dialogs.
//
// A helper derives from it, calls start() at the end of its constructor and
// stop() at the start of its destructor (the thread reads the helper's own
// members, so it must be gone before they are). run() looks every few
// milliseconds with stopped(), gives up once expired(), and hands its
// findings to the test under the lock.
class DriverThread
{
public:
    DriverThread(const DriverThread &) = delete;
    DriverThread &operator=(const DriverThread &) = delete;

protected:
    // The deadline counts from construction.
    explicit DriverThread(DWORD deadlineMs);
    virtual ~DriverThread();

    void start();
    // Asks run() to end and waits until it has; safe to call twice.
    void stop();
    // Waits up to ms for run() to end by itself; true when it has.
    bool join(DWORD ms);

    virtual void run() = 0;

    // Waits up to ms (the polling interval by default) for a stop; true
    // when the helper is being stopped and run() must return.
    bool stopped(DWORD ms = pollMs) const;
    bool expired() const { return LONG(GetTickCount() - deadline) >= 0; }
    // Milliseconds since the deadline passed (0 before it).
    DWORD overdue() const { return expired() ? GetTickCount() - deadline : 0; }

    // Holds the lock for the life of a scope.
    class Hold
    {
    public:
        explicit Hold(const DriverThread &d) : cs(&d.lock) { EnterCriticalSection(cs); }
        ~Hold() { LeaveCriticalSection(cs); }
        Hold(const Hold &) = delete;
        Hold &operator=(const Hold &) = delete;

    private:
        CRITICAL_SECTION *cs;
    };

    static const DWORD pollMs = 15;

private:
    static DWORD WINAPI threadMain(void *self);

    DWORD deadline;
    HANDLE stopEvent;
    HANDLE thread;
    mutable CRITICAL_SECTION lock;
};

#endif
