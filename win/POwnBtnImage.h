#ifndef WIN_POWNBTNIMAGE_H
#define WIN_POWNBTNIMAGE_H

#include "util/PVect.h"
#include "win/POwnBtn.h"

class PBitmap;
class PSeqTraspBitmap;

// An owner-drawn button with an image drawn transparently at the left of
// its face, scaled to fit, and the caption to its right. The bitmaps stay
// the caller's; the button owns only the array of pointers and the strip.
//
// A first image without pixels (a failed load) is treated as no image: the
// button then draws as a plain POwnBtn and has no strip.
class POwnBtnImage : public POwnBtn
{
public:
    POwnBtnImage(PWin *parent, int id, PVect<PBitmap *> &images);
    ~POwnBtnImage() override;

    void fitRect(RECT &r) override;
    void setColors(const OwnBtnColors &c) override;
    void prepareFocus(HDC mem, DRAWITEMSTRUCT *dis) override;
    void drawPressed(HDC mem, DRAWITEMSTRUCT *dis) override;
    void drawNormal(HDC mem, DRAWITEMSTRUCT *dis) override;
    void drawFocus(HDC mem, DRAWITEMSTRUCT *dis) override;
    void drawText(HDC mem, RECT *r, FaceState s) override;
    void drawImage(HDC mem, RECT *r, FaceState s) override;

    // Replaces the images (the vector is only read).
    void setImages(PVect<PBitmap *> &images);
    // Places and scales the image for a button of cx x cy.
    void layout(int cx, int cy);

    PSeqTraspBitmap *strip;
    PBitmap **frames;
    bool fitToImage;
    double scale;

private:
    void dropImages();
    SIZE firstSize() const;
    unsigned frameCount() const;
};

#endif
