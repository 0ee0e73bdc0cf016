#include <windows.h>
#include <commctrl.h>

#include "app/genApp.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCmd)
{
    InitCommonControls();
    int result;
    {
        genApp app(instance, showCmd);
        result = app.run("Line Talk");
    }
    return result;
}
