#ifndef TESTS_WINE_TEST_WIN_BITMAPRIG_H
#define TESTS_WINE_TEST_WIN_BITMAPRIG_H
// Memory canvases for the drawing tests: pixels are drawn and read back
// off screen.

#include <windows.h>

#include <functional>
#include <memory>

#include "win/PBitmap.h"

// A screen-compatible colour bitmap selected into its own memory DC.
class Canvas
{
public:
    Canvas(int w, int h, COLORREF fill) : width(w), height(h)
    {
        HDC screen = GetDC(nullptr);
        dc = CreateCompatibleDC(screen);
        bitmap = CreateCompatibleBitmap(screen, w, h);
        ReleaseDC(nullptr, screen);
        old = SelectObject(dc, bitmap);
        paint(fill);
    }
    ~Canvas()
    {
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
    Canvas(const Canvas &) = delete;
    Canvas &operator=(const Canvas &) = delete;

    void paint(COLORREF c)
    {
        HBRUSH b = CreateSolidBrush(c);
        RECT r = {0, 0, width, height};
        FillRect(dc, &r, b);
        DeleteObject(b);
    }
    COLORREF at(int x, int y) const { return GetPixel(dc, x, y); }
    void set(int x, int y, COLORREF c) { SetPixel(dc, x, y, c); }

    HDC dc;
    int width;
    int height;

private:
    HBITMAP bitmap;
    HGDIOBJ old;
};

// An owned w x h image whose pixel (x, y) is colour(x, y).
inline std::unique_ptr<PBitmap> makeImage(int w, int h, const std::function<COLORREF(int, int)> &colour)
{
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bm = CreateCompatibleBitmap(screen, w, h);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bm);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            SetPixel(dc, x, y, colour(x, y));
    SelectObject(dc, old);
    DeleteDC(dc);
    PBitmap wrapper(bm);
    std::unique_ptr<PBitmap> copy(new PBitmap(wrapper));
    DeleteObject(bm);
    return copy;
}

constexpr COLORREF kMagenta = RGB(255, 0, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kSilver = RGB(192, 192, 192);

#endif
