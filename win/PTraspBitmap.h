#ifndef WIN_PTRASPBITMAP_H
#define WIN_PTRASPBITMAP_H

#include "win/PTraspBitmapBase.h"

// A transparent image showing one bitmap, owned or borrowed.
class PTraspBitmap : public PTraspBitmapBase
{
public:
    PTraspBitmap(PWin *owner, PBitmap *image, POINT pos, bool ownsImage);
    ~PTraspBitmap() override;

    void draw(HDC dc) override;

    PBitmap *getImage() const { return image; }

private:
    PBitmap *image;
    bool ownsImage;
};

#endif
