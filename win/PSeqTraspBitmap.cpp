#include "win/PSeqTraspBitmap.h"

#include "win/PBitmap.h"

PSeqTraspBitmap::PSeqTraspBitmap(PWin *owner_, PBitmap **frames_, unsigned frameCount_, POINT pos_)
    : PTraspBitmapBase(owner_, pos_), frames(frames_), current(0), frameCount(frames_ ? frameCount_ : 0)
{
}

PSeqTraspBitmap::~PSeqTraspBitmap()
{
}

void PSeqTraspBitmap::draw(HDC dc)
{
    if (current < frameCount)
        drawBitmap(dc, frames[current]);
}

void PSeqTraspBitmap::showFrame(unsigned index, HDC dc)
{
    if (index >= frameCount)
        return;
    current = index;
    draw(dc);
}

PBitmap *PSeqTraspBitmap::replaceFrame(PBitmap *bitmap, unsigned index)
{
    if (index >= frameCount || !bitmap)
        return nullptr;
    PBitmap *old = frames[index];
    SIZE now = old ? old->sizeOf() : SIZE{0, 0};
    SIZE next = bitmap->sizeOf();
    if (now.cx != next.cx || now.cy != next.cy)
        return nullptr;
    frames[index] = bitmap;
    if (index == current)
        drawOnOwner();
    return old;
}
