#ifndef WIN_BUTTONIMAGES_H
#define WIN_BUTTONIMAGES_H

#include <windows.h>

#include <cstdint>

#include "util/PVect.h"

class PBitmap;
class POwnBtnImage;
class PWin;

// The bitmaps of a dialog's image buttons: loaded once from the module's
// resources, owned here and lent to the buttons, which only draw them. The
// object must outlive the buttons' drawing, so a dialog holds it as a member
// and destroys its window first.
class ButtonImages
{
public:
    // Loads one bitmap per resource id, in order; index i is ids[i].
    ButtonImages(HINSTANCE module, const int *ids, uint32_t count);
    ~ButtonImages();
    ButtonImages(const ButtonImages &) = delete;
    ButtonImages &operator=(const ButtonImages &) = delete;

    // Binds an image button to the dialog's item id, showing bitmap index.
    // The dialog owns the button object, as it owns its other controls.
    POwnBtnImage *attach(PWin *dialog, int id, uint32_t index);

    PBitmap *get(uint32_t index);
    uint32_t count() { return bitmaps.count(); }

private:
    PVect<PBitmap *> bitmaps;
};

#endif
