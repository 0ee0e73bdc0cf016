#include "win/POwnBtnImage.h"

#include "win/PBitmap.h"
#include "win/PSeqTraspBitmap.h"
#include "win/PTraspBitmap.h"

POwnBtnImage::POwnBtnImage(PWin *parentObj, int controlId, PVect<PBitmap *> &images)
    : POwnBtn(parentObj, controlId), strip(nullptr), frames(nullptr), fitToImage(false), scale(1.0)
{
    setImages(images);
}

POwnBtnImage::~POwnBtnImage()
{
    dropImages();
}

void POwnBtnImage::dropImages()
{
    delete strip;
    strip = nullptr;
    delete[] frames;
    frames = nullptr;
}

SIZE POwnBtnImage::firstSize() const
{
    SIZE s = {0, 0};
    if (strip && strip->frame(0))
        s = strip->frame(0)->sizeOf();
    return s;
}

unsigned POwnBtnImage::frameCount() const
{
    return strip ? strip->getFrameCount() : 0;
}

void POwnBtnImage::setImages(PVect<PBitmap *> &images)
{
    dropImages();
    const uint32_t n = images.count();
    if (n <= 1)
        fitToImage = false;
    if (n == 0 || !images.get(0))
        return;
    // A failed load has no pixels: scaling to it would divide by zero.
    SIZE first = images.get(0)->sizeOf();
    if (first.cx <= 0 || first.cy <= 0)
        return;

    frames = new PBitmap *[n];
    for (uint32_t i = 0; i < n; ++i)
        frames[i] = images.get(i);
    strip = new PSeqTraspBitmap(this, frames, n, POINT{0, 0});
    if (fitToImage) {
        width = first.cx;
        height = first.cy;
    } else if (!hasFlag(fromTemplate)) {
        layout(width, height);
    }
}

void POwnBtnImage::layout(int cx, int cy)
{
    if (!strip)
        return;
    const SIZE is = firstSize();
    if (is.cx <= 0 || is.cy <= 0)
        return;
    const int bw = colorSet.borderWidth;
    POINT pos = {bw + 5, bw + 5};
    int ax = cx;
    int ay = cy;
    if (frameCount() > 1) {
        pos.x = (cx - is.cx) / 2;
        pos.y = (cy - is.cy) / 2;
    } else {
        ax -= 2 * bw + 10;
        ay -= 2 * bw + 10;
    }
    const double sx = double(ax) / double(is.cx);
    const double sy = double(ay) / double(is.cy);
    scale = sx < sy ? sx : sy;
    if (frameCount() == 1) {
        while (is.cy * scale > ay || is.cx * scale > ax) {
            if (scale < 0.05)
                break;
            scale -= 0.01;
        }
    }
    if (scale != 1.0)
        strip->setScale(scale);
    strip->moveTo(pos, false);
}

void POwnBtnImage::fitRect(RECT &r)
{
    if (fitToImage && strip) {
        SIZE is = firstSize();
        r.right = r.left + is.cx;
        r.bottom = r.top + is.cy;
        return;
    }
    layout(r.right - r.left, r.bottom - r.top);
}

void POwnBtnImage::setColors(const OwnBtnColors &c)
{
    const bool relayout = c.borderWidth != colorSet.borderWidth;
    POwnBtn::setColors(c);
    if (relayout)
        layout(width, height);
}

void POwnBtnImage::prepareFocus(HDC, DRAWITEMSTRUCT *dis)
{
    if (strip && dis && ((dis->itemAction & ODA_DRAWENTIRE) || (dis->itemState & ODS_FOCUS)))
        strip->forgetSaved();
}

void POwnBtnImage::drawPressed(HDC mem, DRAWITEMSTRUCT *dis)
{
    if (frameCount() > 1)
        strip->showFrame(1, mem);
    else
        POwnBtn::drawPressed(mem, dis);
}

void POwnBtnImage::drawNormal(HDC mem, DRAWITEMSTRUCT *dis)
{
    if (frameCount() > 1)
        strip->showFrame(0, mem);
    else
        POwnBtn::drawNormal(mem, dis);
}

void POwnBtnImage::drawFocus(HDC mem, DRAWITEMSTRUCT *dis)
{
    const unsigned n = frameCount();
    if (n <= 2) {
        POwnBtn::drawFocus(mem, dis);
        return;
    }
    const bool pressed = dis && (dis->itemState & ODS_SELECTED);
    const unsigned index = pressed && n > 3 ? 3 : 2;
    PTraspBitmap focus(this, strip->frame(index), strip->getPos(), false);
    focus.setScale(strip->getScale());
    focus.draw(mem);
}

void POwnBtnImage::drawImage(HDC mem, RECT *, FaceState s)
{
    if (frameCount() != 1)
        return;
    const int bw = colorSet.borderWidth;
    double sc = scale;
    POINT pos = {bw + 5, bw + 5};
    if (s == facePressed) {
        sc = scale * 0.97;
        const double full = double(firstSize().cx) * scale;
        const int off = int(full - double(int(full * 0.97)));
        pos.x = pos.y = bw + 6 + off;
    }
    strip->setScale(sc);
    strip->moveTo(pos, mem, true);
}

void POwnBtnImage::drawText(HDC mem, RECT *r, FaceState s)
{
    if (frameCount() != 1) {
        POwnBtn::drawText(mem, r, s);
        return;
    }
    const int bw = colorSet.borderWidth;
    const double full = double(firstSize().cx) * scale;
    const int w = s == facePressed ? int(full * 0.97) : int(full);
    RECT t = {bw + 5 + w, bw + 5, width - bw, height - bw};
    POwnBtn::drawText(mem, &t, s);
}
