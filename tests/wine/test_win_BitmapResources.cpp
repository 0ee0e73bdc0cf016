#include <gtest/gtest.h>
#include <windows.h>

#include "res/resource.h"
#include "test_win_BitmapRig.h"
#include "win/PBitmap.h"

namespace {

struct Expected
{
    int id;
    int width;
    int height;
    COLORREF key;
};

const Expected pictures[] = {
    {IDB_SETUP, 18, 16, kMagenta},     {IDB_SEND, 16, 16, kWhite},     {IDB_DONE, 16, 16, kWhite},
    {IDB_DEFAULT, 16, 16, kWhite},     {IDB_CANCEL, 16, 16, kSilver},  {IDB_OK, 16, 16, kSilver},
    {IDB_SAVE, 16, 16, kSilver},       {IDB_CLEAR, 16, 16, kMagenta},  {IDB_PORTOPEN, 16, 16, kWhite},
    {IDB_PORTCLOSED, 16, 16, kWhite},
};

// The header of the bitmap resource as stored in the executable.
const BITMAPINFOHEADER *storedHeader(int id)
{
    HMODULE self = GetModuleHandleA(nullptr);
    HRSRC r = FindResourceA(self, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(2)); // RT_BITMAP
    if (!r)
        return nullptr;
    HGLOBAL g = LoadResource(self, r);
    return g ? static_cast<const BITMAPINFOHEADER *>(LockResource(g)) : nullptr;
}

// How many pixels of the picture, drawn over a background, have colour c.
int countColour(PBitmap &b, COLORREF c)
{
    SIZE s = b.sizeOf();
    Canvas canvas(s.cx, s.cy, RGB(1, 2, 3));
    b.draw(canvas.dc, POINT{0, 0});
    int n = 0;
    for (int y = 0; y < s.cy; ++y)
        for (int x = 0; x < s.cx; ++x)
            n += canvas.at(x, y) == c;
    return n;
}

} // namespace

TEST(BitmapResources, EveryButtonPictureHasItsSizeDepthAndCornerColour)
{
    for (const Expected &e : pictures) {
        const BITMAPINFOHEADER *h = storedHeader(e.id);
        ASSERT_NE(h, nullptr) << e.id;
        EXPECT_EQ(h->biWidth, e.width) << e.id;
        EXPECT_EQ(h->biHeight, e.height) << e.id;
        EXPECT_EQ(h->biBitCount, 4) << e.id;

        PBitmap b(nullptr, e.id);
        ASSERT_NE(b.getHandle(), nullptr) << e.id;
        EXPECT_EQ(b.sizeOf().cx, e.width) << e.id;
        EXPECT_EQ(b.sizeOf().cy, e.height) << e.id;
        Canvas c(e.width, e.height, RGB(1, 2, 3));
        ASSERT_TRUE(b.draw(c.dc, POINT{0, 0}));
        EXPECT_EQ(c.at(0, 0), e.key) << e.id;
    }
}

TEST(BitmapResources, EveryPictureHasAPictureAndAFaceToShowThrough)
{
    for (const Expected &e : pictures) {
        PBitmap b(nullptr, e.id);
        const int transparent = countColour(b, e.key);
        EXPECT_GT(transparent, 0) << e.id;
        // At least a quarter of the pixels are the picture itself.
        EXPECT_GE(e.width * e.height - transparent, e.width * e.height / 4) << e.id;
    }
}

TEST(BitmapResources, TrafficLightsReadAsGreenAndRed)
{
    PBitmap open(nullptr, IDB_PORTOPEN);
    PBitmap closed(nullptr, IDB_PORTCLOSED);
    EXPECT_GE(countColour(open, RGB(0, 255, 0)), 12);
    EXPECT_EQ(countColour(open, RGB(255, 0, 0)), 0);
    EXPECT_GE(countColour(closed, RGB(255, 0, 0)), 12);
    EXPECT_EQ(countColour(closed, RGB(0, 255, 0)), 0);
}

TEST(BitmapResources, IconGroupOneIsThere)
{
    HMODULE self = GetModuleHandleA(nullptr);
    EXPECT_NE(FindResourceA(self, MAKEINTRESOURCEA(IDI_LINETALK), MAKEINTRESOURCEA(14)), nullptr); // RT_GROUP_ICON
    HICON icon = LoadIconA(self, MAKEINTRESOURCEA(IDI_LINETALK));
    EXPECT_NE(icon, nullptr);
    HANDLE small = LoadImageA(self, MAKEINTRESOURCEA(IDI_LINETALK), IMAGE_ICON, 16, 16, 0);
    EXPECT_NE(small, nullptr);
    if (small)
        DestroyIcon(static_cast<HICON>(small));
}
