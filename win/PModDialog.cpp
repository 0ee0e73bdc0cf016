#include "win/PModDialog.h"

PModDialog::PModDialog(PWin *parentObj, int templateId, HINSTANCE mod)
    : PDialog(parentObj, templateId, mod)
{
}

PModDialog::~PModDialog() = default;

LRESULT PModDialog::windowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_COMMAND) {
        WORD cmd = LOWORD(wParam);
        if (cmd == IDOK || cmd == IDCANCEL) {
            if (hasFlag(modal))
                EndDialog(wnd, cmd == IDOK ? 1 : 2);
            else
                DestroyWindow(wnd);  // the object stays and can be created again
        }
    }
    return PDialog::windowProc(wnd, msg, wParam, lParam);
}
