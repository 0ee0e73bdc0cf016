#include "terminal/progressBar.h"

#include <commctrl.h>

#include "res/resource.h"
#include "terminal/progressText.h"
#include "util/dupString.h"
#include "win/PBitmap.h"
#include "win/POwnBtnImage.h"

progressBar::progressBar(PWin *parent, const char *format, int32_t total, COLORREF barColor,
                         int templateId, int /*param*/)
    : PDialog(parent, templateId, nullptr), aborted(false), formatText(dupString(format)),
      total(total), barColor(barColor), images(10), prevFocus(nullptr)
{
    images.at(0) = new PBitmap(instance(), IDB_CANCEL);
    // The button borrows the bitmap; a one-element vector is all it reads.
    new POwnBtnImage(this, IDC_PROG_ABORT, images);
}

progressBar::~progressBar()
{
    destroy();
    aborted = true;
    delete[] formatText;
    formatText = nullptr;
    if (prevFocus && IsWindow(prevFocus))
        SetFocus(prevFocus);
    for (uint32_t i = 0; i < images.count(); ++i)
        delete images.get(i);
    images.clear();
}

bool progressBar::show()
{
    prevFocus = GetFocus();
    if (!create() || !hwnd)
        return false;
    HWND bar = GetDlgItem(hwnd, IDC_PROG_BAR);
    SendMessageA(bar, PBM_SETRANGE32, 0, LPARAM(total));
    SendMessageA(bar, PBM_SETBARCOLOR, 0, LPARAM(barColor));
    return true;
}

bool progressBar::update(int32_t done)
{
    if (aborted || !hwnd)
        return false;
    SendDlgItemMessageA(hwnd, IDC_PROG_BAR, PBM_SETPOS, WPARAM(done), 0);
    char text[500];
    progressText(text, sizeof text, formatText, done, total);
    SetDlgItemTextA(hwnd, IDC_PROG_TEXT, text);
    return true;
}

void progressBar::abort()
{
    aborted = true;
    if (hwnd)
        DestroyWindow(hwnd);
}

// Alt+F4 would reach the framework as SC_CLOSE, which deletes a modeless
// dialog object while the operation that drives it still holds it. Taken
// here it is an abort like any other way of closing the box.
bool progressBar::preTranslate(MSG *msg)
{
    if (hwnd && msg->message == WM_SYSKEYDOWN && msg->wParam == VK_F4) {
        abort();
        return true;
    }
    return false;
}

LRESULT progressBar::windowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_DESTROY)
        aborted = true;
    else if (msg == WM_COMMAND && LOWORD(wParam) == IDC_PROG_ABORT)
        abort();
    return PDialog::windowProc(wnd, msg, wParam, lParam);
}
