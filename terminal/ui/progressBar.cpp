#include "terminal/ui/progressBar.h"

#include <commctrl.h>

#include "res/resource.h"
#include "terminal/ui/progressText.h"
#include "util/dupString.h"

static const int abortBitmap = IDB_CANCEL;

progressBar::progressBar(PWin *parent, const char *format, uint32_t total, COLORREF barColor,
                         int templateId, int /*param*/)
    : PDialog(parent, templateId, nullptr), aborted(false), formatText(dupString(format)),
      total(total), barColor(barColor), images(instance(), &abortBitmap, 1), prevFocus(nullptr)
{
    images.attach(this, IDC_PROG_ABORT, 0);
}

progressBar::~progressBar()
{
    destroy();
    aborted = true;
    delete[] formatText;
    formatText = nullptr;
    if (prevFocus && IsWindow(prevFocus))
        SetFocus(prevFocus);
}

namespace {

// A themed progress bar paints in the theme's colour and ignores
// PBM_SETBARCOLOR (Wine themes its common controls even without a version 6
// manifest). Taking the theme off this one control gives back the classic
// bar in the colour asked for: a class list that names no theme class (an
// empty one is not enough for Wine) leaves the control unthemed. uxtheme is
// looked up at run time: without it there is no theme to take off.
void useClassicLook(HWND control)
{
    HMODULE uxtheme = LoadLibraryA("uxtheme.dll");
    if (!uxtheme)
        return;
    typedef HRESULT(WINAPI * SetThemeFn)(HWND, LPCWSTR, LPCWSTR);
    SetThemeFn setTheme = reinterpret_cast<SetThemeFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(uxtheme, "SetWindowTheme")));
    if (setTheme) {
        setTheme(control, L" ", L" ");
        // The classic look has its own border: have it drawn.
        SetWindowPos(control, nullptr, 0, 0, 0, 0,
                     SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    FreeLibrary(uxtheme);
}

} // namespace

// The bar's range is a signed int: past 2 GiB (a large file, a long
// history) every amount is halved so the bar still moves one way.
int progressBar::barUnits(uint32_t amount) const
{
    return int(total > uint32_t(INT32_MAX) ? amount / 2 : amount);
}

std::unique_ptr<progressBar> progressBar::showSending(PWin *parent, uint32_t size, const char *firstText)
{
    std::unique_ptr<progressBar> bar(
        new progressBar(parent, "Sending file...\n\rbyte %d of %d", size, 0x103FFF, IDD_PROGRESS, 0));
    if (bar->show() && bar->hwnd) {
        if (firstText)
            SetDlgItemTextA(bar->hwnd, IDC_PROG_TEXT, firstText);
        UpdateWindow(bar->hwnd);
    }
    return bar;
}

bool progressBar::show()
{
    prevFocus = GetFocus();
    if (!create() || !hwnd)
        return false;
    HWND bar = GetDlgItem(hwnd, IDC_PROG_BAR);
    useClassicLook(bar);
    SendMessageA(bar, PBM_SETRANGE32, 0, LPARAM(barUnits(total)));
    SendMessageA(bar, PBM_SETBARCOLOR, 0, LPARAM(barColor));
    return true;
}

void progressBar::retarget(const char *format, uint32_t newTotal)
{
    char *copy = dupString(format);
    if (copy) {
        delete[] formatText;
        formatText = copy;
    }
    total = newTotal;
    if (hwnd)
        SendDlgItemMessageA(hwnd, IDC_PROG_BAR, PBM_SETRANGE32, 0, LPARAM(barUnits(total)));
}

bool progressBar::update(uint32_t done)
{
    if (aborted || !hwnd)
        return false;
    SendDlgItemMessageA(hwnd, IDC_PROG_BAR, PBM_SETPOS, WPARAM(barUnits(done)), 0);
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
