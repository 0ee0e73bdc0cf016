#include "tests/wine/helpers/PopupMenuDriver.h"

namespace {

BOOL CALLBACK findPopup(HWND wnd, LPARAM param)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(wnd, &pid);
    char cls[16];
    if (pid == GetCurrentProcessId() && IsWindowVisible(wnd) && GetClassNameA(wnd, cls, sizeof cls) &&
        lstrcmpA(cls, "#32768") == 0) {
        *reinterpret_cast<HWND *>(param) = wnd;
        return FALSE;
    }
    return TRUE;
}

void press(HWND menu, WPARAM key)
{
    // The menu's modal loop reads every keyboard message of its thread.
    PostMessageA(menu, WM_KEYDOWN, key, 1);
    PostMessageA(menu, WM_KEYUP, key, LPARAM(0xC0000001));
}

} // namespace

HWND PopupMenuDriver::findMenu()
{
    HWND found = nullptr;
    EnumWindows(findPopup, reinterpret_cast<LPARAM>(&found));
    return found;
}

PopupMenuDriver::PopupMenuDriver(int downPresses, DWORD deadlineMs)
    : DriverThread(deadlineMs), presses(downPresses), answered(false)
{
    start();
}

PopupMenuDriver::~PopupMenuDriver()
{
    stop();
}

void PopupMenuDriver::run()
{
    while (!stopped()) {
        HWND menuWnd = findMenu();
        if (!menuWnd) {
            if (expired())
                return;
            continue;
        }
        std::vector<Item> found;
        DWORD_PTR got = 0;
        if (SendMessageTimeoutA(menuWnd, MN_GETHMENU, 0, 0, SMTO_ABORTIFHUNG, 2000, &got) && got) {
            HMENU menu = reinterpret_cast<HMENU>(got);
            int count = GetMenuItemCount(menu);
            for (int i = 0; i < count; ++i) {
                char text[128] = "";
                GetMenuStringA(menu, UINT(i), text, sizeof text, MF_BYPOSITION);
                UINT state = GetMenuState(menu, UINT(i), MF_BYPOSITION);
                found.push_back(Item{text, (state & (MF_GRAYED | MF_DISABLED)) != 0, (state & MF_CHECKED) != 0});
            }
        }
        if (presses <= 0) {
            press(menuWnd, VK_ESCAPE);
        } else {
            for (int i = 0; i < presses; ++i)
                press(menuWnd, VK_DOWN);
            press(menuWnd, VK_RETURN);
        }
        Hold hold(*this);
        seen = found;
        answered = true;
        return;
    }
}

bool PopupMenuDriver::done() const
{
    Hold hold(*this);
    return answered;
}

std::vector<PopupMenuDriver::Item> PopupMenuDriver::items() const
{
    Hold hold(*this);
    return seen;
}
