#ifndef TERMINAL_UI_BUTTONFACES_H
#define TERMINAL_UI_BUTTONFACES_H

#include <cstdint>

class ButtonImages;
class PWin;

// The terminal's seven button bitmaps and which image button shows which:
// the bitmaps in their loading order, and the buttons bound in their
// creation order.
namespace ButtonFaces {

enum Image : uint32_t { setup, send, done, redLight, clear, save, greenLight, count };

// The bitmaps' resource ids, indexed by Image.
extern const int bitmapIds[count];

// Every image button of the terminal's dialog bound to its image.
void attachAll(ButtonImages &images, PWin *dialog);

} // namespace ButtonFaces

#endif
