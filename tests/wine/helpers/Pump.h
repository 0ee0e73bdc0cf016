#ifndef TESTS_WINE_HELPERS_PUMP_H
#define TESTS_WINE_HELPERS_PUMP_H

#include <windows.h>

#include <utility>

// The waits every Windows test uses: each runs until its condition holds or
// its deadline passes, and says which. A deadline only matters when a test
// is about to fail, so the default is generous.
const DWORD defaultWaitMs = 10000;

// Dispatches every message queued for this thread.
inline void pumpThreadMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

namespace pumpDetail {

template <class Pump, class C>
bool pumpWith(Pump pump, C cond, DWORD ms)
{
    DWORD start = GetTickCount();
    for (;;) {
        pump();
        if (cond())
            return true;
        if (GetTickCount() - start >= ms)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

} // namespace pumpDetail

// Handles this thread's messages until the condition holds or the deadline
// passes; true when it held.
template <class C>
bool pumpUntil(C cond, DWORD ms = defaultWaitMs)
{
    return pumpDetail::pumpWith(pumpThreadMessages, cond, ms);
}

// The same through an application's own pump, so that dialog keyboard
// handling and the program's idle work run as they do for a user.
template <class App, class C, class = decltype(std::declval<App &>().pumpMessages())>
bool pumpUntil(App &app, C cond, DWORD ms = defaultWaitMs)
{
    return pumpDetail::pumpWith([&app] { app.pumpMessages(); }, cond, ms);
}

// Lets the messages of the next ms milliseconds through: to show that
// nothing more happens, never to wait for something.
inline void pumpFor(DWORD ms)
{
    pumpUntil([] { return false; }, ms);
}

template <class App, class = decltype(std::declval<App &>().pumpMessages())>
void pumpFor(App &app, DWORD ms)
{
    pumpUntil(app, [] { return false; }, ms);
}

// Waits for the condition without handling messages: for threads that own
// no window, and for conditions another thread makes true.
template <class C>
bool waitFor(C cond, DWORD ms = defaultWaitMs)
{
    DWORD start = GetTickCount();
    while (!cond()) {
        if (GetTickCount() - start >= ms)
            return false;
        Sleep(2);
    }
    return true;
}

#endif
