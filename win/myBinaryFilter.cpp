#include "win/myBinaryFilter.h"

void myBinaryFilter::attach(HWND edit)
{
    SendMessageA(edit, EM_LIMITTEXT, 8, 0);
}
