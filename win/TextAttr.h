#ifndef WIN_TEXTATTR_H
#define WIN_TEXTATTR_H

#include <cstdint>

// How a piece of the text view's text looks: its colours and its emphasis.
// A colour is 0x00BBGGRR (a COLORREF) or viewColour, the view's own (black
// text on the view's background), so the default attribute shows text as a
// view without colours shows it. Reverse swaps the two colours as drawn,
// the view's own included.
struct TextAttr
{
    enum : uint32_t { viewColour = 0xFF000000u };
    enum : uint8_t { bold = 1, underline = 2, reverse = 4 };

    uint32_t fg = viewColour;
    uint32_t bg = viewColour;
    uint8_t flags = 0;

    bool isDefault() const { return fg == viewColour && bg == viewColour && flags == 0; }
    bool operator==(const TextAttr &o) const { return fg == o.fg && bg == o.bg && flags == o.flags; }
    bool operator!=(const TextAttr &o) const { return !(*this == o); }
};

#endif
