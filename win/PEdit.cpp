#include "win/PEdit.h"

#include "win/PFilter.h"

namespace {

void keyEvent(BYTE vk, DWORD flags)
{
    keybd_event(vk, BYTE(MapVirtualKeyA(vk, 0)), flags, 0);
}

bool held(int vk)
{
    return (GetKeyState(vk) & 0x8000) != 0;
}

} // namespace

void pressKey(BYTE vk)
{
    keyEvent(vk, 0);
    keyEvent(vk, KEYEVENTF_KEYUP);
}

void releaseKey(BYTE vk)
{
    keyEvent(vk, KEYEVENTF_KEYUP);
}

void pressKeyWithModifier(BYTE vk, BYTE modifier, int repeat)
{
    keyEvent(modifier, 0);
    for (int i = 0; i <= (repeat > 0 ? repeat : 0); ++i)
        pressKey(vk);
    keyEvent(modifier, KEYEVENTF_KEYUP);
}

void pressShiftKey(BYTE vk)
{
    pressKeyWithModifier(vk, VK_SHIFT, 0);
}

PEdit::PEdit(PWin *parentObj, int controlId, int limit) : PControl(parentObj, controlId), textLimit(limit), filter(nullptr)
{
}

PEdit::~PEdit()
{
    delete filter;
    filter = nullptr;
}

const char *PEdit::className()
{
    return "edit";
}

bool PEdit::create()
{
    if (!PControl::create())
        return false;
    SendMessageA(hwnd, EM_LIMITTEXT, WPARAM(textLimit), 0);
    // A filter's own limit replaces the edit's.
    if (filter && hwnd)
        filter->attach(hwnd);
    return true;
}

void PEdit::setFilter(PFilter *f)
{
    if (f != filter) {
        delete filter;
        filter = f;
    }
    if (filter && hwnd)
        filter->attach(hwnd);
}

void PEdit::selectAll()
{
    SendMessageA(hwnd, EM_SETSEL, 0, 0x7FFF);
}

BYTE PEdit::extraDialogKey()
{
    return 0;
}

LRESULT PEdit::windowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_GETDLGCODE: {
        BYTE key = 0;
        if (held(VK_RETURN))
            key = VK_RETURN;
        else if (held(VK_DOWN))
            key = VK_DOWN;
        else if (held(VK_UP))
            key = VK_UP;
        else
            key = extraDialogKey();
        if (key) {
            // The dialog manager must hand the key to us rather than act on
            // it; the synthesised release keeps it from being seen as held
            // by the next question.
            releaseKey(key);
            return DLGC_WANTALLKEYS;
        }
        break;
    }
    case WM_KEYDOWN:
        if (onKeyDown(wParam))
            return 0;
        break;
    case WM_KEYUP:
        if (onKeyUp(wParam))
            return 0;
        break;
    case WM_CHAR:
        if (onChar(wParam))
            return 0;
        break;
    default:
        break;
    }
    return PControl::windowProc(wnd, msg, wParam, lParam);
}

bool PEdit::onKeyDown(WPARAM &key)
{
    if (key == VK_DOWN) {
        pressKey(VK_TAB);
        return true;
    }
    if (key == VK_UP) {
        pressShiftKey(VK_TAB);
        return true;
    }
    return false;
}

bool PEdit::onKeyUp(WPARAM &)
{
    return false;
}

bool PEdit::onChar(WPARAM &ch)
{
    if (filter && hwnd && !filter->accept(ch, hwnd))
        return true;
    if (ch == 13) {
        pressKey(VK_TAB);
        return true;
    }
    return false;
}
