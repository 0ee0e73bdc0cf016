#ifndef WIN_PMESSAGEPUMP_H
#define WIN_PMESSAGEPUMP_H

#include <windows.h>

// What the window classes call to let the queue through while they wait:
// the application object implements it and registers itself, so the classes
// below it pump its queue (with its pre-translation) without knowing it.
class PMessagePump
{
public:
    virtual ~PMessagePump();

    // Handles every message waiting in the queue; never blocks.
    virtual int pumpMessages() = 0;

    // The registered pump, or null before one is registered.
    static PMessagePump *current();
    static void install(PMessagePump *pump);
    // Unregisters pump if it is the registered one.
    static void uninstall(PMessagePump *pump);
    // Lets every waiting message through the registered pump; without one
    // nothing is pumped.
    static void pumpWaiting();

    // Modeless dialogs that no window object stands for (the system's Find
    // dialog): the pump gives them their keyboard interface (Tab, Enter,
    // Esc) with IsDialogMessage. A dialog is added once it exists and
    // removed before or as it goes. False when the pump keeps none (or has
    // no room): the dialog then goes without its keyboard interface.
    virtual bool addDialog(HWND dialog);
    virtual void removeDialog(HWND dialog);
    // The same through the registered pump.
    static bool registerDialog(HWND dialog);
    static void unregisterDialog(HWND dialog);
};

#endif
