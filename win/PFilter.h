#ifndef WIN_PFILTER_H
#define WIN_PFILTER_H

#include <windows.h>

// Decides, character by character, what may be typed into a filtered edit.
// A filter holds no state; the edit that is given one owns it.
class PFilter
{
public:
    PFilter() {}
    virtual ~PFilter() {}

    // Called once the edit has a window (typically to limit its text).
    virtual void attach(HWND edit);
    // True lets the WM_CHAR code through to the edit; false drops it.
    virtual bool accept(WPARAM &ch, HWND edit);
    // Backspace, tab, carriage return and the full stop pass every filter.
    virtual bool isControlChar(WPARAM &ch);

    // The edit's selection; false when the edit reports none.
    bool getSelection(HWND edit, int &start, int &end);

private:
    PFilter(const PFilter &) = delete;
    PFilter &operator=(const PFilter &) = delete;
};

#endif
