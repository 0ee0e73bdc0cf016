#ifndef WIN_PDIALOG_H
#define WIN_PDIALOG_H

#include "win/PWin.h"

// A dialog made from the template numbered id in the module's resources, run
// modelessly (create) or modally (execute). Its children are the control
// objects attached to the template's items.
class PDialog : public PWin
{
public:
    PDialog(PWin *parent, int templateId, HINSTANCE module = nullptr);
    ~PDialog() override;

    bool create() override;
    const char *className() override;
    LRESULT windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override;
    // Runs the dialog modally; returns the EndDialog value or the system's
    // failure value.
    virtual int execute();

    // Asks every child, in list order, to register (or find) its class,
    // stopping at the first that fails; marks system-class children
    // foreignClass so they are subclassed and bound when attached.
    bool registerChildClasses();

    // The window that had the focus when a modal dialog was initialised; it
    // gets the focus back when the object is destroyed.
    HWND savedFocus;
};

#endif
