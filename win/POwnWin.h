#ifndef WIN_POWNWIN_H
#define WIN_POWNWIN_H

#include "win/PControl.h"

// A control that takes over a button item of its dialog's template, makes
// it again as an owner-drawn button of the same place, text and identifier,
// and routes the owner-draw messages to virtual operations. Pressing,
// clicking and notifying stay with the system button procedure.
class POwnWin : public PControl
{
public:
    POwnWin(PWin *parent, int id);
    ~POwnWin() override;

    bool create() override;
    void fillClass(WNDCLASSA &wc) override;
    LRESULT windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override;

    virtual bool drawItem(WPARAM wParam, DRAWITEMSTRUCT *dis);
    virtual bool measureItem(WPARAM wParam, MEASUREITEMSTRUCT *mis);
    virtual bool isOwnerDrawn() = 0;
    // Adjusts the rectangle (parent client coordinates) the window is made in.
    virtual void fitRect(RECT &r);
};

#endif
