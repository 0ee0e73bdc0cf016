#ifndef WIN_PSEQTRASPBITMAP_H
#define WIN_PSEQTRASPBITMAP_H

#include "win/PTraspBitmapBase.h"

// A transparent image showing one frame of a strip of bitmaps. Neither the
// array nor the bitmaps belong to the strip.
class PSeqTraspBitmap : public PTraspBitmapBase
{
public:
    PSeqTraspBitmap(PWin *owner, PBitmap **frames, unsigned frameCount, POINT pos);
    ~PSeqTraspBitmap() override;

    void draw(HDC dc) override;

    // Makes frame index current and draws it; an invalid index does nothing.
    void showFrame(unsigned index, HDC dc);
    // Puts bitmap in slot index and returns the one it replaced; null, with
    // nothing changed, for an index out of range or a bitmap of another
    // size. Redraws on the owner at once when the slot is the current one.
    PBitmap *replaceFrame(PBitmap *bitmap, unsigned index);

    unsigned getCurrent() const { return current; }
    unsigned getFrameCount() const { return frameCount; }
    PBitmap *frame(unsigned index) const { return index < frameCount ? frames[index] : nullptr; }

private:
    PBitmap **frames;
    unsigned current;
    unsigned frameCount;
};

#endif
