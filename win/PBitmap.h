#ifndef WIN_PBITMAP_H
#define WIN_PBITMAP_H

#include <windows.h>

// Owner of one bitmap handle (or a non-owning wrapper over a foreign one),
// with the copy and capture operations the drawing code needs.
class PBitmap
{
public:
    // Loads bitmap resource id from module (the executable when null).
    // A failed load leaves the handle null.
    PBitmap(HINSTANCE module, int id);
    // Wraps a handle that stays the caller's: it is never deleted here.
    explicit PBitmap(HBITMAP foreign);
    // A new bitmap holding the pixels of dc at `at`, `size` large.
    PBitmap(HDC dc, POINT at, SIZE size);
    // A copy of the other's pixels, owned by the new object.
    PBitmap(const PBitmap &other);
    virtual ~PBitmap();

    // The whole bitmap at `at`, unscaled.
    virtual bool draw(HDC dc, POINT at);
    // The whole bitmap stretched to `size` (plain draw when it is the size).
    virtual bool drawScaled(HDC dc, POINT at, SIZE size);
    // The src part of the bitmap into dst, stretched when the sizes differ.
    virtual bool drawRect(HDC dc, const RECT &dst, const RECT &src);

    // Replaces the bitmap by the pixels of dc at `at`, `size` large.
    bool capture(HDC dc, POINT at, SIZE size);
    // A new bitmap with the same pixels, owned by the caller: compatible with
    // dc when one is given, of the same description otherwise.
    HBITMAP duplicate(HDC dc) const;
    // (width, height), or (0, 0) without a bitmap.
    SIZE sizeOf() const;

    HBITMAP getHandle() const { return handle; }
    bool isOwned() const { return owned; }

private:
    PBitmap &operator=(const PBitmap &) = delete;
    void release();

    HBITMAP handle;
    bool owned;
};

#endif
