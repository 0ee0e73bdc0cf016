#include "app/PMainWin.h"

PMainWin::PMainWin(const char *title, HINSTANCE mod) : PWin(nullptr, title, mod)
{
    setFlag(quitOnDestroy);
    style = WS_VISIBLE | WS_OVERLAPPEDWINDOW;
    exStyle |= WS_EX_APPWINDOW;
}

// The frame's window goes while the object is still a frame; the children
// lose theirs with it and are deleted by the PWin destructor.
PMainWin::~PMainWin()
{
    destroy();
}

RECT PMainWin::frameRectFor(HWND client)
{
    RECT r = {0, 0, 0, 0};
    GetWindowRect(client, &r);
    r.right += 3 * GetSystemMetrics(SM_CXEDGE);
    r.bottom += 3 * GetSystemMetrics(SM_CYEDGE) + GetSystemMetrics(SM_CYCAPTION);
    return r;
}

void PMainWin::fitToClient(PWin *client)
{
    if (!hwnd || !client || !client->hwnd)
        return;
    LockWindowUpdate(hwnd);
    RECT r = frameRectFor(client->hwnd);
    SetWindowPos(hwnd, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOZORDER | SWP_NOMOVE);
    RECT c;
    GetWindowRect(client->hwnd, &c);
    SetWindowPos(client->hwnd, nullptr, 0, 0, c.right - c.left, c.bottom - c.top,
                 SWP_SHOWWINDOW | SWP_NOZORDER);
    LockWindowUpdate(nullptr);
}

void PMainWin::setIcon(int iconId)
{
    if (!hwnd)
        return;
    HICON icon = LoadIconA(instance(), MAKEINTRESOURCEA(iconId));
    SendMessageA(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageA(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}
