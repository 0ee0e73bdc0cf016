#include "app/mainWin.h"

#include "app/PAppl.h"
#include "res/resource.h"
#include "terminal/mainClient.h"

mainWin::mainWin(HINSTANCE module) : PMainWin("Line Talk by QV", module), client(nullptr)
{
    // Linked into this frame's child list, which owns it; its window is made
    // when the frame creates its children.
    client = new mainClient(this, module);
    // Fixed size: no sizing border, no minimise or maximise box; the children
    // are not painted over. The size follows the dialog once it exists.
    style &= ~uint32_t(WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX);
    style |= WS_CLIPCHILDREN;
    width = 30;
    height = 30;
}

mainWin::~mainWin()
{
    destroy();
}

const char *mainWin::className()
{
    return appClassName();
}

bool mainWin::create()
{
    if (!PMainWin::create())
        return false;
    setIcon(IDI_LINETALK);
    if (client)
        fitToClient(client);
    return true;
}
