#ifndef WIN_PSTATUSBAR_H
#define WIN_PSTATUSBAR_H

#include <windows.h>

// The common controls' status bar ("msctls_statusbar32") along the bottom of
// a window, in parts. The object owns the control's window; a text is set
// only when it differs from the one shown, so a caller may set the same
// text as often as it likes without redrawing.
class PStatusBar
{
public:
    static const int maxParts = 8;
    static const int maxText = 300;

    PStatusBar();
    ~PStatusBar();
    PStatusBar(const PStatusBar &) = delete;
    PStatusBar &operator=(const PStatusBar &) = delete;

    // Makes the control inside parent, without a sizing grip (the parent
    // keeps its size). False when the control cannot be made.
    bool create(HWND parent, int id, HINSTANCE module);
    // Ends the control; done by the destructor when not before.
    void destroy();
    HWND window() const { return hwnd; }

    // Parts of the given widths in pixels, left to right; the last one
    // takes what is left. At most maxParts.
    void setParts(const int *widths, int count);
    // The text of part `part` (cut to maxText - 1 characters).
    void setText(int part, const char *text);
    // Part `part` drawn by the parent (WM_DRAWITEM, itemData `data`); sent
    // and drawn again only when data differs from what the part holds.
    // True when it changed.
    bool setOwnerDrawn(int part, LONG_PTR data);
    // The control's height as it lies along the parent's bottom.
    int height() const;
    // Lays the control along the parent's bottom again (after a resize).
    void reposition();

private:
    void forgetShown();

    HWND hwnd;
    int partCount;
    char shown[maxParts][maxText];
    bool drawn[maxParts];      // the part is owner-drawn, with drawnData
    LONG_PTR drawnData[maxParts];
};

#endif
