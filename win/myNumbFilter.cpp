#include "win/myNumbFilter.h"

#include "win/FilterRules.h"

void myNumbFilter::attach(HWND edit)
{
    SendMessageA(edit, EM_LIMITTEXT, 3, 0);
}

bool myNumbFilter::accept(WPARAM &ch, HWND edit)
{
    if (!PNumbFilter::accept(ch, edit))
        return false;
    // Two decimal digits cannot exceed 255.
    LRESULT length = SendMessageA(edit, WM_GETTEXTLENGTH, 0, 0);
    if (length <= 1)
        return true;
    char text[5] = {0};
    GetWindowTextA(edit, text, sizeof text);
    text[sizeof text - 1] = '\0';
    int start = 0;
    int end = 0;
    if (!getSelection(edit, start, end))
        return false;
    // The rules clamp the selection to what was read: the text may have
    // changed since, or be longer than the buffer.
    return FilterRules::byteValueAccepts(text, int(ch), start, end);
}
