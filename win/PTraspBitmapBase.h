#ifndef WIN_PTRASPBITMAPBASE_H
#define WIN_PTRASPBITMAPBASE_H

#include <windows.h>

class PBitmap;
class PWin;

// A mask DC with its monochrome mask selected, what the mask displaced and
// the mask itself. The caller puts `displaced` back and deletes both.
struct MaskRecord
{
    HDC dc;
    HGDIOBJ displaced;
    HBITMAP mask;
};

// Mask of `image` (w x h): white where the image has the colour of its
// top-left pixel, black elsewhere.
MaskRecord makeMask(HDC src, HBITMAP image, int w, int h);
// Replaces, in place, the pixels of `image` that have its top-left colour by
// those of `background` (at least the image's size).
void drawTransparent(HDC dc, HBITMAP image, HBITMAP background);

// An image placed at a position on a window, drawn with its top-left colour
// transparent over what lies beneath, optionally scaled. The pixels under it
// are saved at the first draw after construction or a move, so drawing again
// composes over them and never accumulates.
class PTraspBitmapBase
{
public:
    PTraspBitmapBase(PWin *owner, POINT pos);
    virtual ~PTraspBitmapBase();

    virtual void draw(HDC dc) = 0;
    // Puts the saved pixels back (and keeps them).
    virtual void erase(HDC dc);

    // Puts the saved pixels back and forgets them, then moves.
    void moveTo(POINT to, HDC dc, bool redraw);
    void moveTo(POINT to, bool redraw);
    // Erases on the owner first; the saved pixels stay.
    void setScale(double value);
    void eraseOnOwner();
    void drawOnOwner();
    // The transparent draw of image at pos, at the current scale.
    void drawBitmap(HDC dc, PBitmap *image);

    // Forgets the saved pixels, so the next draw captures afresh.
    void forgetSaved();

    POINT getPos() const { return pos; }
    double getScale() const { return scale; }
    const PBitmap *getSaved() const { return saved; }
    // The size the image is drawn in at the current scale.
    SIZE scaledSize(SIZE image) const;

protected:
    PBitmap *saved;
    PWin *owner;
    POINT pos;
    double scale;

private:
    PTraspBitmapBase(const PTraspBitmapBase &) = delete;
    PTraspBitmapBase &operator=(const PTraspBitmapBase &) = delete;
    HWND ownerWindow() const;
};

#endif
