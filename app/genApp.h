#ifndef APP_GENAPP_H
#define APP_GENAPP_H

#include "app/PAppl.h"

// LineTalk's application object: its main window is the terminal frame.
class genApp : public PAppl
{
public:
    genApp(HINSTANCE module, int showCmd);
    ~genApp() override;

    // A new mainWin for the module; the frame has its own title.
    PWin *createMainWindow(const char *title, HINSTANCE module) override;
    // The frame's shortcuts come first, wherever the focus is: the dialog
    // would otherwise take every key of its controls.
    bool preTranslate(MSG *msg) override;
};

#endif
