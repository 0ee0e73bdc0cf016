#include "app/genApp.h"

#include <new>

#include "app/mainWin.h"

genApp::genApp(HINSTANCE module, int showCmd) : PAppl(module, showCmd) {}

genApp::~genApp() {}

PWin *genApp::createMainWindow(const char *, HINSTANCE module)
{
    return new (std::nothrow) mainWin(module);
}

bool genApp::preTranslate(MSG *msg)
{
    if (mainWin *frame = dynamic_cast<mainWin *>(mainWindow))
        if (frame->takeShortcut(msg))
            return true;
    return PAppl::preTranslate(msg);
}
