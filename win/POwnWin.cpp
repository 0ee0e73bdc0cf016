#include "win/POwnWin.h"

POwnWin::POwnWin(PWin *parentObj, int controlId) : PControl(parentObj, controlId)
{
    style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW;
    setMouseTracking(true);
}

POwnWin::~POwnWin()
{
}

bool POwnWin::create()
{
    if (!PControl::create())
        return false;
    if (!hasFlag(fromTemplate))
        return true;
    if (!hwnd || !parent || !parent->hwnd)
        return true;

    RECT r;
    GetWindowRect(hwnd, &r);
    MapWindowPoints(nullptr, parent->hwnd, reinterpret_cast<POINT *>(&r), 2);
    fitRect(r);
    if (!title) {
        char text[260] = {0};
        GetWindowTextA(hwnd, text, sizeof text);
        text[sizeof text - 1] = '\0';
        if (text[0])
            setText(text);
    }
    // The new window goes where the item was in the sibling order, so the
    // template's tab order is kept.
    HWND before = GetWindow(hwnd, GW_HWNDPREV);
    destroy();

    x = r.left;
    y = r.top;
    width = r.right - r.left;
    height = r.bottom - r.top;
    clearFlag(fromTemplate);
    bool made = PControl::create();
    if (hwnd)
        SetWindowPos(hwnd, before ? before : HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
    return made;
}

void POwnWin::fillClass(WNDCLASSA &wc)
{
    PControl::fillClass(wc);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
}

LRESULT POwnWin::windowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_PAINT: {
        // Validate and invalidate the whole button again: the system
        // procedure then asks for a full owner-draw on every paint.
        PAINTSTRUCT ps;
        BeginPaint(wnd, &ps);
        EndPaint(wnd, &ps);
        InvalidateRect(wnd, nullptr, FALSE);
        break;
    }
    case WM_ERASEBKGND:
        // The drawing covers every pixel.
        return 1;
    case WM_DRAWITEM:
        return drawItem(wParam, reinterpret_cast<DRAWITEMSTRUCT *>(lParam)) ? 1 : 0;
    case WM_MEASUREITEM:
        return measureItem(wParam, reinterpret_cast<MEASUREITEMSTRUCT *>(lParam)) ? 1 : 0;
    default:
        break;
    }
    return PControl::windowProc(wnd, msg, wParam, lParam);
}

bool POwnWin::drawItem(WPARAM, DRAWITEMSTRUCT *)
{
    return false;
}

bool POwnWin::measureItem(WPARAM, MEASUREITEMSTRUCT *)
{
    return false;
}

void POwnWin::fitRect(RECT &)
{
}
