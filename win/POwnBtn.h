#ifndef WIN_POWNBTN_H
#define WIN_POWNBTN_H

#include "win/POwnWin.h"

class PBitmap;

// The colours and border of an owner-drawn button, replaced as a whole.
struct OwnBtnColors
{
    COLORREF faceColor;   // 0xFFFFFFFF: a plain raised or sunken edge, no fill
    COLORREF focusColor;  // the focus frame
    int borderWidth;      // focus pen width and the margin around the face
    COLORREF textColor;   // the caption
};

enum FaceState { faceNormal = 0, facePressed = 1, faceDisabled = 2 };

// A push button that draws itself: face in three states, a focus frame and
// a centred caption, composed off screen over a snapshot of the parent's
// pixels under the button and shown with one blit.
class POwnBtn : public POwnWin
{
public:
    static constexpr COLORREF noFace = 0xFFFFFFFF;

    POwnBtn(PWin *parent, int id);
    ~POwnBtn() override;

    const char *className() override;
    bool drawItem(WPARAM wParam, DRAWITEMSTRUCT *dis) override;
    bool isOwnerDrawn() override;

    virtual void setColors(const OwnBtnColors &c);
    virtual void prepareFocus(HDC mem, DRAWITEMSTRUCT *dis);
    virtual void drawPressed(HDC mem, DRAWITEMSTRUCT *dis);
    virtual void drawNormal(HDC mem, DRAWITEMSTRUCT *dis);
    virtual void drawDisabled(HDC mem, DRAWITEMSTRUCT *dis);
    virtual void drawFocus(HDC mem, DRAWITEMSTRUCT *dis);
    // Last step before the composed button is shown.
    virtual void drawOverlay(HDC mem, DRAWITEMSTRUCT *dis);
    virtual void drawText(HDC mem, RECT *r, FaceState s);
    virtual void drawImage(HDC mem, RECT *r, FaceState s);

    // The face for state s, then the image, the disabled pattern and the text.
    void drawFace(HDC mem, FaceState s);

    const OwnBtnColors &colors() const { return colorSet; }
    const PBitmap *getBackground() const { return background; }

protected:
    PBitmap *background;
    OwnBtnColors colorSet;

private:
    void captureBackground();
};

#endif
