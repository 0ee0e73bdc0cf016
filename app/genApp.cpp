#include "app/genApp.h"

#include <new>

#include "app/mainWin.h"

genApp::genApp(HINSTANCE module, int showCmd) : PAppl(module, showCmd) {}

genApp::~genApp() {}

PWin *genApp::createMainWindow(const char *, HINSTANCE module)
{
    return new (std::nothrow) mainWin(module);
}
