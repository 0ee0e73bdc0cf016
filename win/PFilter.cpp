#include "win/PFilter.h"

#include "win/FilterRules.h"

void PFilter::attach(HWND)
{
}

bool PFilter::accept(WPARAM &, HWND)
{
    return true;
}

bool PFilter::isControlChar(WPARAM &ch)
{
    return ch <= 255 && FilterRules::isControlChar(int(ch));
}

bool PFilter::getSelection(HWND edit, int &start, int &end)
{
    LRESULT r = SendMessageA(edit, EM_GETSEL, 0, 0);
    if (DWORD(r) == 0xFFFFFFFFu)
        return false;
    start = int(LOWORD(DWORD(r)));
    end = int(HIWORD(DWORD(r)));
    return true;
}
