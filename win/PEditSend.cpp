#include "win/PEditSend.h"

PEditSend::PEditSend(PWin *parentObj, int controlId, int limit) : PEdit(parentObj, controlId, limit)
{
}

PEditSend::~PEditSend()
{
}

bool PEditSend::onChar(WPARAM &ch)
{
    if (ch != 13)
        return PEdit::onChar(ch);
    // Posted, so the dialog acts once the keystroke is done with.
    if (parent && parent->hwnd)
        PostMessageA(parent->hwnd, PWM_EDITENTER, WPARAM(id), 0);
    selectAll();
    return true;
}
