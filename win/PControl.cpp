#include "win/PControl.h"

PControl::PControl(PWin *parentObj, int controlId)
    : PWin(parentObj, nullptr, nullptr), font(nullptr), ownsFont(false)
{
    id = controlId;
    setFlag(fromTemplate);
}

PControl::~PControl()
{
    if (font && ownsFont)
        DeleteObject(font);
    font = nullptr;
}

const char *PControl::className()
{
    return nullptr;
}

// A dialog item is redrawn at once; a window of the control's own is drawn
// when it is first painted.
void PControl::sendFont()
{
    if (font && hwnd)
        SendMessageA(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font),
                     hasFlag(fromTemplate) ? 1 : 0);
}

bool PControl::create()
{
    PWin::create();
    sendFont();
    return true;
}

void PControl::setFont(HFONT newFont, bool owned)
{
    if (font && ownsFont && font != newFont)
        DeleteObject(font);
    font = newFont;
    ownsFont = owned;
    sendFont();
}
