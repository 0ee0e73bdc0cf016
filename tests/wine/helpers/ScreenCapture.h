#ifndef TESTS_WINE_HELPERS_SCREENCAPTURE_H
#define TESTS_WINE_HELPERS_SCREENCAPTURE_H

#include <windows.h>

#include <string>
#include <vector>

namespace rig {

// Pixels as the screen (or a window's DC) shows them: 0x00RRGGBB, row by
// row from the top.
struct Capture
{
    int cx = 0;
    int cy = 0;
    std::vector<DWORD> pixels;

    bool empty() const { return pixels.empty(); }
    DWORD at(int x, int y) const { return pixels[size_t(y) * size_t(cx) + size_t(x)]; }
    // The same pixel as a COLORREF (0x00BBGGRR), for GetRValue and friends.
    COLORREF colorAt(int x, int y) const
    {
        DWORD v = at(x, y);
        return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }
    bool operator==(const Capture &o) const { return cx == o.cx && cy == o.cy && pixels == o.pixels; }
    bool operator!=(const Capture &o) const { return !(*this == o); }
};

// A rectangle of the screen, in screen coordinates; empty when nothing
// could be read.
Capture captureScreen(const RECT &r);
// A window's client area as the screen shows it.
Capture captureClient(HWND w);
// The whole window (frame included) as the screen shows it.
Capture captureWindow(HWND w);
// The whole window read through its own window DC rather than the screen.
Capture captureWindowDC(HWND w);

// The rows of a capture that show the colour in more than minPixels pixels
// among their first `width` (all when 0), top to bottom.
std::vector<int> rowsWith(const Capture &shot, COLORREF colour, int minPixels, int width = 0);

// Writes a capture as a 32-bit .bmp named fileName in LT_BUILD (or, without
// it, the temporary folder), where the test script turns it into a PNG.
// True when the whole file was written.
bool writeBmp(const Capture &shot, const char *fileName);
// The same to a full path.
bool writeBmpTo(const Capture &shot, const std::string &path);

} // namespace rig

#endif
