#include "win/PTraspBitmap.h"

#include "win/PBitmap.h"

PTraspBitmap::PTraspBitmap(PWin *owner_, PBitmap *image_, POINT pos_, bool ownsImage_)
    : PTraspBitmapBase(owner_, pos_), image(image_), ownsImage(ownsImage_)
{
}

PTraspBitmap::~PTraspBitmap()
{
    if (ownsImage)
        delete image;
}

void PTraspBitmap::draw(HDC dc)
{
    drawBitmap(dc, image);
}
