#ifndef TESTS_BENCH_BENCHVIEW_H
#define TESTS_BENCH_BENCHVIEW_H

#include <windows.h>

#include "win/PTextView.h"

namespace bench {

inline LRESULT CALLBACK viewHostProc(HWND w, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(w, msg, wParam, lParam);
}

// A text view of the receive view's size and style in a plain window of its
// own; null when the class or a window could not be made.
inline HWND makeReceiveView(const char *hostClass)
{
    HINSTANCE self = GetModuleHandleA(nullptr);
    if (!PTextView::registerClass(self))
        return nullptr;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = viewHostProc;
    wc.hInstance = self;
    wc.lpszClassName = hostClass;
    RegisterClassA(&wc);
    HWND host = CreateWindowExA(0, hostClass, "bench", WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE, 20, 20, 400, 340,
                                nullptr, nullptr, self, nullptr);
    if (!host)
        return nullptr;
    return CreateWindowExA(0, PTextView::className, "", 0x50A50844 | WS_TABSTOP, 10, 10, 330, 250, host, HMENU(115),
                           self, nullptr);
}

} // namespace bench

#endif
