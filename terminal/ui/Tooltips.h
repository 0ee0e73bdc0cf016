#ifndef TERMINAL_TOOLTIPS_H
#define TERMINAL_TOOLTIPS_H

#include <windows.h>

// The tooltips of the terminal's buttons and check boxes. They do not
// subclass their tools: the dialog relays the mouse to them (relay) from
// its pre-translation.
class Tooltips
{
public:
    Tooltips();
    ~Tooltips();
    Tooltips(const Tooltips &) = delete;
    Tooltips &operator=(const Tooltips &) = delete;

    // Makes the tooltip control and adds a tip for each control of dialog
    // that has one; without the control there are no tips.
    void create(HWND dialog, HINSTANCE module);
    // Passes a mouse message on to the tooltips.
    void relay(const MSG *msg);
    void destroy();

private:
    HWND control;   // the tooltip control, or null
};

#endif
