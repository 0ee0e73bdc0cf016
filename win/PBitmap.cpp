#include "win/PBitmap.h"

namespace {

// A memory DC with one bitmap selected for the lifetime of the object.
class MemDC
{
public:
    MemDC(HDC compatible, HBITMAP bitmap) : dc(CreateCompatibleDC(compatible)), old(nullptr)
    {
        if (dc && bitmap)
            old = SelectObject(dc, bitmap);
    }
    ~MemDC()
    {
        if (!dc)
            return;
        if (old)
            SelectObject(dc, old);
        DeleteDC(dc);
    }
    MemDC(const MemDC &) = delete;
    MemDC &operator=(const MemDC &) = delete;

    HDC dc;

private:
    HGDIOBJ old;
};

// Stretches with HALFTONE, putting the target's own mode back afterwards.
bool halftoneStretch(HDC dc, int x, int y, int w, int h, HDC src, int sx, int sy, int sw, int sh)
{
    int oldMode = SetStretchBltMode(dc, HALFTONE);
    POINT origin;
    SetBrushOrgEx(dc, 0, 0, &origin);
    BOOL ok = StretchBlt(dc, x, y, w, h, src, sx, sy, sw, sh, SRCCOPY);
    SetBrushOrgEx(dc, origin.x, origin.y, nullptr);
    if (oldMode)
        SetStretchBltMode(dc, oldMode);
    return ok != FALSE;
}

} // namespace

PBitmap::PBitmap(HINSTANCE module, int id) : handle(nullptr), owned(true)
{
    // The application's instance is the executable's module.
    if (!module)
        module = GetModuleHandleA(nullptr);
    handle = static_cast<HBITMAP>(LoadImageA(module, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
}

PBitmap::PBitmap(HBITMAP foreign) : handle(foreign), owned(false)
{
}

PBitmap::PBitmap(HDC dc, POINT at, SIZE size) : handle(nullptr), owned(true)
{
    capture(dc, at, size);
}

PBitmap::PBitmap(const PBitmap &other) : handle(other.duplicate(nullptr)), owned(true)
{
}

PBitmap::~PBitmap()
{
    release();
}

void PBitmap::release()
{
    if (owned && handle)
        DeleteObject(handle);
    handle = nullptr;
}

bool PBitmap::capture(HDC dc, POINT at, SIZE size)
{
    release();
    owned = true;
    if (size.cx <= 0 || size.cy <= 0)
        return false;
    handle = CreateCompatibleBitmap(dc, size.cx, size.cy);
    if (!handle)
        return false;
    MemDC mem(dc, handle);
    if (!mem.dc)
        return false;
    return BitBlt(mem.dc, 0, 0, size.cx, size.cy, dc, at.x, at.y, SRCCOPY) != FALSE;
}

HBITMAP PBitmap::duplicate(HDC dc) const
{
    if (!handle)
        return nullptr;
    BITMAP bm;
    if (!GetObjectA(handle, sizeof bm, &bm))
        return nullptr;
    HBITMAP copy;
    if (dc) {
        copy = CreateCompatibleBitmap(dc, bm.bmWidth, bm.bmHeight);
    } else {
        bm.bmBits = nullptr;
        copy = CreateBitmapIndirect(&bm);
    }
    if (!copy)
        return nullptr;
    HDC screen = dc ? nullptr : GetDC(nullptr);
    HDC like = dc ? dc : screen;
    {
        MemDC from(like, handle);
        MemDC to(like, copy);
        if (from.dc && to.dc)
            BitBlt(to.dc, 0, 0, bm.bmWidth, bm.bmHeight, from.dc, 0, 0, SRCCOPY);
    }
    if (screen)
        ReleaseDC(nullptr, screen);
    return copy;
}

SIZE PBitmap::sizeOf() const
{
    SIZE s = {0, 0};
    BITMAP bm;
    if (handle && GetObjectA(handle, sizeof bm, &bm)) {
        s.cx = bm.bmWidth;
        s.cy = bm.bmHeight;
    }
    return s;
}

bool PBitmap::draw(HDC dc, POINT at)
{
    if (!handle)
        return false;
    SIZE s = sizeOf();
    MemDC mem(dc, handle);
    if (!mem.dc)
        return false;
    return BitBlt(dc, at.x, at.y, s.cx, s.cy, mem.dc, 0, 0, SRCCOPY) != FALSE;
}

bool PBitmap::drawScaled(HDC dc, POINT at, SIZE size)
{
    if (!handle)
        return false;
    SIZE s = sizeOf();
    if (s.cx == size.cx && s.cy == size.cy)
        return draw(dc, at);
    MemDC mem(dc, handle);
    if (!mem.dc)
        return false;
    return halftoneStretch(dc, at.x, at.y, size.cx, size.cy, mem.dc, 0, 0, s.cx, s.cy);
}

bool PBitmap::drawRect(HDC dc, const RECT &dst, const RECT &src)
{
    if (!handle)
        return false;
    MemDC mem(dc, handle);
    if (!mem.dc)
        return false;
    int dw = dst.right - dst.left;
    int dh = dst.bottom - dst.top;
    int sw = src.right - src.left;
    int sh = src.bottom - src.top;
    if (dw == sw && dh == sh)
        return BitBlt(dc, dst.left, dst.top, dw, dh, mem.dc, src.left, src.top, SRCCOPY) != FALSE;
    return halftoneStretch(dc, dst.left, dst.top, dw, dh, mem.dc, src.left, src.top, sw, sh);
}
