#include "win/myHexFilter.h"

void myHexFilter::attach(HWND edit)
{
    SendMessageA(edit, EM_LIMITTEXT, 2, 0);
}
