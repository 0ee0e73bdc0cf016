#include "win/PStatusBar.h"

#include <commctrl.h>

#include <cstring>

PStatusBar::PStatusBar() : hwnd(nullptr), partCount(0)
{
    forgetShown();
}

PStatusBar::~PStatusBar()
{
    destroy();
}

bool PStatusBar::create(HWND parent, int id, HINSTANCE module)
{
    if (hwnd || !parent)
        return hwnd != nullptr;
    // No SBARS_SIZEGRIP: a grip would offer to size a fixed frame.
    hwnd = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), module, nullptr);
    return hwnd != nullptr;
}

void PStatusBar::destroy()
{
    // The parent's end may have taken the control with it already.
    if (hwnd && IsWindow(hwnd))
        DestroyWindow(hwnd);
    hwnd = nullptr;
    partCount = 0;
    forgetShown();
}

void PStatusBar::forgetShown()
{
    std::memset(shown, 0, sizeof shown);
    for (int i = 0; i < maxParts; ++i) {
        drawn[i] = false;
        drawnData[i] = 0;
    }
}

void PStatusBar::setParts(const int *widths, int count)
{
    if (!hwnd || !widths || count < 1)
        return;
    if (count > maxParts)
        count = maxParts;
    // The control takes the right edge of each part; -1 runs to the end.
    int edges[maxParts];
    int right = 0;
    for (int i = 0; i < count; ++i) {
        right += widths[i];
        edges[i] = i + 1 == count ? -1 : right;
    }
    SendMessageA(hwnd, SB_SETPARTS, WPARAM(count), reinterpret_cast<LPARAM>(edges));
    partCount = count;
}

void PStatusBar::setText(int part, const char *text)
{
    if (!hwnd || part < 0 || part >= partCount)
        return;
    char cut[maxText];
    std::strncpy(cut, text ? text : "", sizeof cut - 1);
    cut[sizeof cut - 1] = '\0';
    if (!drawn[part] && std::strcmp(cut, shown[part]) == 0)
        return;
    std::memcpy(shown[part], cut, sizeof cut);
    drawn[part] = false;
    SendMessageA(hwnd, SB_SETTEXTA, WPARAM(part), reinterpret_cast<LPARAM>(cut));
}

bool PStatusBar::setOwnerDrawn(int part, LONG_PTR data)
{
    if (!hwnd || part < 0 || part >= partCount)
        return false;
    if (drawn[part] && drawnData[part] == data)
        return false;
    drawn[part] = true;
    drawnData[part] = data;
    shown[part][0] = '\0';
    SendMessageA(hwnd, SB_SETTEXTA, WPARAM(part | SBT_OWNERDRAW), LPARAM(data));
    return true;
}

int PStatusBar::height() const
{
    RECT r = {0, 0, 0, 0};
    if (hwnd)
        GetWindowRect(hwnd, &r);
    return r.bottom - r.top;
}

void PStatusBar::reposition()
{
    // The control lays itself along its parent's bottom on WM_SIZE.
    if (hwnd)
        SendMessageA(hwnd, WM_SIZE, 0, 0);
}
