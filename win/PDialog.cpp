#include "win/PDialog.h"

PDialog::PDialog(PWin *parentObj, int templateId, HINSTANCE mod)
    : PWin(parentObj, nullptr, mod), savedFocus(nullptr)
{
    id = templateId;
    setFlag(fromTemplate);
    setFlag(isDialog);
}

// The dialog's window goes first, taking its items (and the bindings of the
// control objects) with it; the control objects are deleted afterwards by
// the PWin destructor.
PDialog::~PDialog()
{
    destroy();
    if (savedFocus)
        SetFocus(savedFocus);
}

static LPCSTR templateName(int id)
{
    return MAKEINTRESOURCEA(WORD(id & 0xFFFF));
}

bool PDialog::create()
{
    if (!hasFlag(isDialog))
        return PWin::create();
    registerChildClasses();
    if (!hwnd)
        hwnd = CreateDialogParamA(instance(), templateName(id), parent ? parent->hwnd : nullptr,
                                  frameworkDlgProc, reinterpret_cast<LPARAM>(this));
    return createChildren();
}

const char *PDialog::className()
{
    return MAKEINTATOM(32770);
}

LRESULT PDialog::windowProc(HWND, UINT msg, WPARAM, LPARAM)
{
    if (msg == WM_INITDIALOG) {
        if (hasFlag(modal))
            savedFocus = GetFocus();
        return TRUE;
    }
    return FALSE;
}

int PDialog::execute()
{
    setFlag(modal);
    return int(DialogBoxParamA(instance(), templateName(id), parent ? parent->hwnd : nullptr,
                               frameworkDlgProc, reinterpret_cast<LPARAM>(this)));
}

bool PDialog::registerChildClasses()
{
    PWin *failed = findChild([](PWin *child) { return !child->registerClass(); });
    return failed == nullptr;
}
