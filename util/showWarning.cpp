#include "util/showWarning.h"

#include <windows.h>

int showWarning(const char *caption, const char *text)
{
    return MessageBoxA(GetForegroundWindow(), text, caption, MB_ICONEXCLAMATION | MB_OK);
}
