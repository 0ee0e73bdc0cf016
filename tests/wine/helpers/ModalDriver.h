#ifndef TESTS_WINE_HELPERS_MODALDRIVER_H
#define TESTS_WINE_HELPERS_MODALDRIVER_H

#include <windows.h>

#include <cstring>
#include <functional>
#include <string>

#include "tests/wine/helpers/DriverThread.h"

namespace rig {

struct CaptionSearch
{
    const char *caption;
    HWND found;
};

inline BOOL CALLBACK matchCaption(HWND w, LPARAM p)
{
    CaptionSearch *s = reinterpret_cast<CaptionSearch *>(p);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid != GetCurrentProcessId() || !IsWindowVisible(w))
        return TRUE;
    char text[256] = "";
    GetWindowTextA(w, text, sizeof text);
    if (std::strcmp(text, s->caption) == 0) {
        s->found = w;
        return FALSE;
    }
    return TRUE;
}

// A visible top-level window of this process with the given caption, or null.
inline HWND findOwnWindow(const char *caption)
{
    CaptionSearch s = {caption, nullptr};
    EnumWindows(matchCaption, LPARAM(&s));
    return s.found;
}

// Waits, from a driver thread, until a window has gone.
inline bool waitGone(HWND w, DWORD timeoutMs = 5000)
{
    DWORD start = GetTickCount();
    while (IsWindow(w)) {
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(10);
    }
    return true;
}

// Runs `act` on a thread of its own with the first visible window of this
// process captioned `caption`, while the test's thread runs the modal loop
// that shows it. Whatever `act` leaves open is cancelled, so the modal call
// always returns.
class ModalDriver : public DriverThread
{
public:
    ModalDriver(const char *caption, std::function<void(HWND)> act, DWORD deadlineMs = 15000)
        : DriverThread(deadlineMs), caption(caption), act(std::move(act)), limitMs(deadlineMs), seen(false)
    {
        start();
    }
    ~ModalDriver() override { stop(); }

    // Waits for the driver to be done; true when it found its window.
    bool finish()
    {
        join(limitMs + 5000);
        return seen;
    }

private:
    void run() override
    {
        HWND w = nullptr;
        while (!(w = findOwnWindow(caption.c_str()))) {
            if (expired() || stopped(10))
                return;
        }
        seen = true;
        act(w);
        // Still there once what act posted has been handled: cancel it so
        // the modal call returns.
        waitGone(w, 3000);
        if (IsWindow(w))
            PostMessageA(w, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    }

    std::string caption;
    std::function<void(HWND)> act;
    DWORD limitMs;
    volatile bool seen;
};

// The text of the selected item of a combo box ("" when none is selected).
inline std::string comboSelection(HWND combo)
{
    LRESULT sel = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    if (sel == CB_ERR)
        return std::string();
    char buf[256] = "";
    LRESULT len = SendMessageA(combo, CB_GETLBTEXTLEN, WPARAM(sel), 0);
    if (len < 0 || len >= LRESULT(sizeof buf))
        return std::string();
    SendMessageA(combo, CB_GETLBTEXT, WPARAM(sel), LPARAM(buf));
    return buf;
}

inline void selectComboText(HWND dialog, int id, const char *text)
{
    HWND combo = GetDlgItem(dialog, id);
    LRESULT i = SendMessageA(combo, CB_FINDSTRINGEXACT, WPARAM(-1), LPARAM(text));
    SendMessageA(combo, CB_SETCURSEL, WPARAM(i), 0);
}

inline void click(HWND dialog, int id)
{
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), LPARAM(GetDlgItem(dialog, id)));
}

} // namespace rig

#endif
