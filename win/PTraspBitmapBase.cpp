#include "win/PTraspBitmapBase.h"

#include "win/PBitmap.h"
#include "win/PWin.h"

namespace {

SIZE bitmapSize(HBITMAP bitmap)
{
    SIZE s = {0, 0};
    BITMAP bm;
    if (bitmap && GetObjectA(bitmap, sizeof bm, &bm)) {
        s.cx = bm.bmWidth;
        s.cy = bm.bmHeight;
    }
    return s;
}

} // namespace

MaskRecord makeMask(HDC src, HBITMAP image, int w, int h)
{
    MaskRecord r;
    HGDIOBJ srcOld = SelectObject(src, image);
    r.dc = CreateCompatibleDC(src);
    r.mask = CreateBitmap(w, h, 1, 1, nullptr);
    r.displaced = SelectObject(r.dc, r.mask);
    // The transparent colour is the image's top-left pixel: the colour to
    // monochrome copy turns the background colour white, the rest black.
    COLORREF oldBk = SetBkColor(src, GetPixel(src, 0, 0));
    BitBlt(r.dc, 0, 0, w, h, src, 0, 0, SRCCOPY);
    SetBkColor(src, oldBk);
    SelectObject(src, srcOld);
    return r;
}

void drawTransparent(HDC dc, HBITMAP image, HBITMAP background)
{
    SIZE s = bitmapSize(image);
    if (s.cx <= 0 || s.cy <= 0 || !background)
        return;
    const int w = s.cx;
    const int h = s.cy;
    HDC imageDC = CreateCompatibleDC(dc);
    MaskRecord mask = makeMask(imageDC, image, w, h);

    HDC backDC = CreateCompatibleDC(dc);
    PBitmap wrapped(background);
    HBITMAP back = wrapped.duplicate(dc);
    HGDIOBJ backOld = SelectObject(backDC, back);

    // Background kept where the image is transparent, black elsewhere.
    BitBlt(backDC, 0, 0, w, h, mask.dc, 0, 0, SRCAND);
    BitBlt(mask.dc, 0, 0, w, h, mask.dc, 0, 0, DSTINVERT);
    // Image kept where opaque, black where transparent; then the two ORed.
    HGDIOBJ imageOld = SelectObject(imageDC, image);
    BitBlt(imageDC, 0, 0, w, h, mask.dc, 0, 0, SRCAND);
    BitBlt(imageDC, 0, 0, w, h, backDC, 0, 0, SRCPAINT);

    SelectObject(imageDC, imageOld);
    SelectObject(backDC, backOld);
    SelectObject(mask.dc, mask.displaced);
    DeleteObject(mask.mask);
    DeleteDC(mask.dc);
    DeleteDC(backDC);
    DeleteDC(imageDC);
    if (back)
        DeleteObject(back);
}

PTraspBitmapBase::PTraspBitmapBase(PWin *owner_, POINT pos_) : saved(nullptr), owner(owner_), pos(pos_), scale(0)
{
}

PTraspBitmapBase::~PTraspBitmapBase()
{
    delete saved;
}

HWND PTraspBitmapBase::ownerWindow() const
{
    return owner ? owner->hwnd : nullptr;
}

void PTraspBitmapBase::erase(HDC dc)
{
    if (!saved || !saved->getHandle())
        return;
    SIZE s = saved->sizeOf();
    HDC mem = CreateCompatibleDC(dc);
    if (!mem)
        return;
    HGDIOBJ old = SelectObject(mem, saved->getHandle());
    BitBlt(dc, pos.x, pos.y, s.cx, s.cy, mem, 0, 0, SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);
}

void PTraspBitmapBase::moveTo(POINT to, HDC dc, bool redraw)
{
    if (saved) {
        erase(dc);
        forgetSaved();
    }
    pos = to;
    if (redraw)
        draw(dc);
}

void PTraspBitmapBase::moveTo(POINT to, bool redraw)
{
    // Without a window there is nothing to draw on; never fall back to the
    // screen DC that GetDC(null) would give.
    HWND w = ownerWindow();
    if (!w) {
        forgetSaved();
        pos = to;
        return;
    }
    HDC dc = GetDC(w);
    moveTo(to, dc, redraw);
    ReleaseDC(w, dc);
}

void PTraspBitmapBase::setScale(double value)
{
    eraseOnOwner();
    scale = value;
}

void PTraspBitmapBase::eraseOnOwner()
{
    HWND w = ownerWindow();
    if (!w)
        return;
    HDC dc = GetDC(w);
    erase(dc);
    ReleaseDC(w, dc);
}

void PTraspBitmapBase::drawOnOwner()
{
    HWND w = ownerWindow();
    if (!w)
        return;
    HDC dc = GetDC(w);
    draw(dc);
    ReleaseDC(w, dc);
}

void PTraspBitmapBase::forgetSaved()
{
    delete saved;
    saved = nullptr;
}

SIZE PTraspBitmapBase::scaledSize(SIZE image) const
{
    SIZE s = image;
    if (scale != 0 && scale != 1) {
        s.cx = LONG(double(image.cx) * scale);
        s.cy = LONG(double(image.cy) * scale);
    }
    return s;
}

void PTraspBitmapBase::drawBitmap(HDC dc, PBitmap *image)
{
    if (!image || !image->getHandle())
        return;
    const SIZE is = image->sizeOf();
    const SIZE s = scaledSize(is);
    if (s.cx <= 0 || s.cy <= 0)
        return;

    HBITMAP tmp = CreateCompatibleBitmap(dc, s.cx, s.cy);
    if (!tmp)
        return;
    {
        HDC tmpDC = CreateCompatibleDC(dc);
        HDC imageDC = CreateCompatibleDC(dc);
        HGDIOBJ tmpOld = SelectObject(tmpDC, tmp);
        HGDIOBJ imageOld = SelectObject(imageDC, image->getHandle());
        if (s.cx == is.cx && s.cy == is.cy && (scale == 0 || scale == 1)) {
            BitBlt(tmpDC, 0, 0, s.cx, s.cy, imageDC, 0, 0, SRCCOPY);
        } else {
            int oldMode = SetStretchBltMode(tmpDC, COLORONCOLOR);
            StretchBlt(tmpDC, 0, 0, s.cx, s.cy, imageDC, 0, 0, is.cx, is.cy, SRCCOPY);
            SetStretchBltMode(tmpDC, oldMode);
        }
        SelectObject(imageDC, imageOld);
        SelectObject(tmpDC, tmpOld);
        DeleteDC(imageDC);
        DeleteDC(tmpDC);
    }

    if (!saved)
        saved = new PBitmap(dc, pos, s);
    drawTransparent(dc, tmp, saved->getHandle());

    HDC mem = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(mem, tmp);
    BitBlt(dc, pos.x, pos.y, s.cx, s.cy, mem, 0, 0, SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);
    DeleteObject(tmp);
}
