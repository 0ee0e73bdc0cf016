#include "win/ButtonImages.h"

#include "win/PBitmap.h"
#include "win/POwnBtnImage.h"

ButtonImages::ButtonImages(HINSTANCE module, const int *ids, uint32_t count) : bitmaps(count ? count : 1)
{
    for (uint32_t i = 0; i < count; ++i)
        bitmaps.at(i) = new PBitmap(module, ids[i]);
}

ButtonImages::~ButtonImages()
{
    for (uint32_t i = 0; i < bitmaps.count(); ++i)
        delete bitmaps.get(i);
    bitmaps.clear();
}

PBitmap *ButtonImages::get(uint32_t index)
{
    return index < bitmaps.count() ? bitmaps.get(index) : nullptr;
}

POwnBtnImage *ButtonImages::attach(PWin *dialog, int id, uint32_t index)
{
    // The button reads a vector of frames; one frame is this bitmap.
    PVect<PBitmap *> one(1);
    one.at(0) = get(index);
    return new POwnBtnImage(dialog, id, one);
}
