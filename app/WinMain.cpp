#include <windows.h>

// Until the frame exists the entry only proves the product links and starts.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    return 0;
}
