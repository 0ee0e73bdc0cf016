#include "terminal/ui/ButtonFaces.h"

#include <windows.h>

#include "res/resource.h"
#include "win/ButtonImages.h"

namespace ButtonFaces {

const int bitmapIds[count] = {
    IDB_SETUP, IDB_SEND, IDB_DONE, IDB_PORTCLOSED, IDB_CLEAR, IDB_SAVE, IDB_PORTOPEN
};

namespace {

struct ImageButton
{
    int id;
    Image image;
};

// Creation order of the image buttons.
const ImageButton buttons[] = {
    {IDC_SETUP, setup},    {IDC_OPENCOMM, redLight}, {IDC_SENDSTRING, send},
    {IDC_SENDBYTE, send},  {IDC_SENDFILE, send},     {IDCANCEL, done},
    {IDC_CLEAR, clear},    {IDC_SAVE, save},
};

} // namespace

void attachAll(ButtonImages &images, PWin *dialog)
{
    for (const ImageButton &b : buttons)
        images.attach(dialog, b.id, b.image);
}

} // namespace ButtonFaces
