#ifndef APP_PMAINWIN_H
#define APP_PMAINWIN_H

#include "win/PWin.h"

// A top-level frame window: no parent, WS_VISIBLE | WS_OVERLAPPEDWINDOW,
// WS_EX_APPWINDOW, and WM_QUIT posted when its window is destroyed. A frame
// that holds one client window sizes itself around it with fitToClient.
class PMainWin : public PWin
{
public:
    PMainWin(const char *title, HINSTANCE module = nullptr);
    ~PMainWin() override;

    // The frame's outer rectangle for a client window of a fixed-frame
    // window: the client's window rectangle grown by three edges on the
    // right and three edges plus a caption at the bottom.
    static RECT frameRectFor(HWND client);
    // Sizes the frame around the client's window (the frame's position is
    // kept), then moves the client to the frame's client origin and shows it.
    void fitToClient(PWin *client);
    // Gives the frame the icon resource iconId of its module (both sizes).
    void setIcon(int iconId);
};

#endif
