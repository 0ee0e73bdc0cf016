#ifndef TESTS_WINE_TEST_WIN_OWNBTNRIG_H
#define TESTS_WINE_TEST_WIN_OWNBTNRIG_H
// Owner-drawn buttons that keep a copy of what they composed off screen, and
// the pump the button tests wait with.

#include <windows.h>

#include <memory>

#include "app/PAppl.h"
#include "helpers/Pump.h"
#include "test_win_BitmapRig.h"
#include "win/PBitmap.h"

// Keeps the composed button of the last draw: the memory DC's pixels as
// drawOverlay sees them, just before they are shown.
template <class Base>
class Snap : public Base
{
public:
    using Base::Base;

    void drawOverlay(HDC mem, DRAWITEMSTRUCT *dis) override
    {
        Base::drawOverlay(mem, dis);
        shot.reset(new PBitmap(mem, POINT{0, 0}, SIZE{this->width, this->height}));
        ++draws;
    }

    // Draws the button now in the given state, as the system would ask.
    void drawAs(UINT state, UINT action = ODA_DRAWENTIRE)
    {
        DRAWITEMSTRUCT dis = {};
        dis.CtlType = ODT_BUTTON;
        dis.CtlID = UINT(this->id);
        dis.itemID = 0;
        dis.itemAction = action;
        dis.itemState = state;
        dis.hwndItem = this->hwnd;
        dis.hDC = GetDC(this->hwnd);
        GetClientRect(this->hwnd, &dis.rcItem);
        this->drawItem(0, &dis);
        ReleaseDC(this->hwnd, dis.hDC);
    }

    // The last composed button on a canvas of its own.
    std::unique_ptr<Canvas> picture()
    {
        std::unique_ptr<Canvas> c(new Canvas(this->width, this->height, RGB(1, 2, 3)));
        if (shot)
            shot->draw(c->dc, POINT{0, 0});
        return c;
    }

    std::unique_ptr<PBitmap> shot;
    int draws = 0;
};

// The bounding box of the pixels of colour c; empty when there are none.
inline RECT boxOf(const Canvas &c, COLORREF colour)
{
    RECT r = {c.width, c.height, 0, 0};
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x)
            if (c.at(x, y) == colour) {
                if (x < r.left)
                    r.left = x;
                if (y < r.top)
                    r.top = y;
                if (x + 1 > r.right)
                    r.right = x + 1;
                if (y + 1 > r.bottom)
                    r.bottom = y + 1;
            }
    return r;
}


#endif
